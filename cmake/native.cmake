# The native build: platform-neutral code under AddressSanitizer and UBSan,
# and the fuzz targets when the compiler is clang.
set(SANITIZE_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
add_compile_options(${SANITIZE_FLAGS} -g -O1)
add_link_options(${SANITIZE_FLAGS})
add_compile_definitions(CALVEX_STATIC UTILITY_STATIC NETWORK_STATIC)

if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(CALVEX_FUZZ ON)
else()
  set(CALVEX_FUZZ OFF)
endif()

# How long each fuzz target runs inside the test command, in seconds.
set(FUZZ_SECONDS 20 CACHE STRING "run time of each fuzz target in the test command")

# Adds a libFuzzer target with its seed corpus folder and a bounded CTest run.
function(calvex_add_fuzzer name)
  if(NOT CALVEX_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_include_directories(${name} PRIVATE ${STANDIN_INCLUDES} ${CALVEX_INCLUDES} ${PROJECT_ROOT})
  set(work ${CMAKE_BINARY_DIR}/fuzz-work/${name})
  add_test(NAME fuzz.${name}
           COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
                   $<TARGET_FILE:${name}> -max_total_time=${FUZZ_SECONDS} -print_final_stats=1
                   -artifact_prefix=${work}/ ${work}/corpus ${F_CORPUS})
  set_tests_properties(fuzz.${name} PROPERTIES LABELS fuzz TIMEOUT 600
                       FIXTURES_REQUIRED fuzz.${name}.dir)
  add_test(NAME fuzz.${name}.mkdir COMMAND ${CMAKE_COMMAND} -E make_directory ${work}/corpus)
  set_tests_properties(fuzz.${name}.mkdir PROPERTIES FIXTURES_SETUP fuzz.${name}.dir)
endfunction()

add_subdirectory(platform)
add_subdirectory(calvex)
