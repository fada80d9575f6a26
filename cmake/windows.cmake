# The Windows build: stand-ins, engine, tools and tests.

# The shared C++ runtime everywhere: exceptions, std::string and heap objects
# then cross the DLL boundary.  Its DLLs are copied beside the binaries so that
# tests run exactly what ships.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(GCC_RUNTIME_DLL libgcc_s_seh-1.dll)
else()
  set(GCC_RUNTIME_DLL libgcc_s_dw2-1.dll)
endif()
foreach(dll ${GCC_RUNTIME_DLL} libstdc++-6.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE dll_path OUTPUT_STRIP_TRAILING_WHITESPACE)
  file(COPY ${dll_path} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
endforeach()

add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
set(CMAKE_SHARED_LIBRARY_PREFIX "")

add_subdirectory(platform)
add_subdirectory(calvex)
add_subdirectory(tools)
