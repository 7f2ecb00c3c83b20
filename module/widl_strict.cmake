# Runs widl and fails on any diagnostic: widl can warn, exit 0 and still
# write a wrong type library (for instance an interface declared outside the
# library block gets the wrong library identifier).
#   cmake -DWIDL=<widl> -DWIDL_ARGS=<args separated by |> -P widl_strict.cmake
string(REPLACE "|" ";" args "${WIDL_ARGS}")
execute_process(
  COMMAND ${WIDL} ${args}
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE errors)
if(NOT result EQUAL 0 OR NOT "${errors}${output}" STREQUAL "")
  message(FATAL_ERROR "widl failed (exit ${result}):\n${output}${errors}")
endif()
