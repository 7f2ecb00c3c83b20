# Runs HOST on SCRIPT and compares what it prints with EXPECTED.
execute_process(COMMAND ${HOST} ${SCRIPT}
                OUTPUT_VARIABLE actual
                ERROR_VARIABLE errors
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "tamborix-console exited with ${status}:\n${errors}")
endif()
file(READ ${EXPECTED} expected)
if(NOT actual STREQUAL expected)
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/actual.txt "${actual}")
  message(FATAL_ERROR "output differs from ${EXPECTED}; got:\n${actual}")
endif()
