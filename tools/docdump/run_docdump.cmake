# Runs docdump on one file and checks its exit code and what it printed.
#   -DDOCDUMP=<program> -DEMULATOR=<program|arg|...> (may be empty) -DINPUT=<file>
#   -DEXPECT_CODE=<n> -DEXPECT_STDOUT=<regex> -DEXPECT_STDERR=<regex>
string(REPLACE "|" ";" emulator "${EMULATOR}")
execute_process(COMMAND ${emulator} ${DOCDUMP} ${INPUT}
                RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(seen "exit code ${code}\n--- stdout\n${out}--- stderr\n${err}")
if(NOT code EQUAL EXPECT_CODE)
  message(FATAL_ERROR "expected exit code ${EXPECT_CODE}, got:\n${seen}")
endif()
if(NOT out MATCHES "${EXPECT_STDOUT}")
  message(FATAL_ERROR "stdout does not match '${EXPECT_STDOUT}':\n${seen}")
endif()
if(NOT err MATCHES "${EXPECT_STDERR}")
  message(FATAL_ERROR "stderr does not match '${EXPECT_STDERR}':\n${seen}")
endif()
message(STATUS "${seen}")
