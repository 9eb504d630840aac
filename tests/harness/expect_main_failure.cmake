# Runs a test executable that must fail through the test main's message
# handler: a non-zero exit and the handler's report of the connection warning.
#   cmake -DPROGRAM=<exe> -DFUNCTION=<test function> -P expect_main_failure.cmake
execute_process(COMMAND ${PROGRAM} ${FUNCTION} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(rc EQUAL 0)
  message(FATAL_ERROR "the executable passed despite a broken connection:\n${out}${err}")
endif()
if(NOT err MATCHES "FAIL! connection warning: [^\n]*invalid nullptr parameter")
  message(FATAL_ERROR "the executable failed (${rc}) for another reason than the connection warning:\n${out}${err}")
endif()
message(STATUS "failed as expected (${rc}) on: invalid nullptr parameter")
