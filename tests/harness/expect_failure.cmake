# Runs one function of a test executable that must fail: it passes when the
# executable exits non-zero and its output matches EXPECT.
#   cmake -DPROGRAM=<exe> -DFUNCTION=<test function> -DEXPECT=<regex> -P expect_failure.cmake
execute_process(COMMAND ${PROGRAM} ${FUNCTION} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(rc EQUAL 0)
  message(FATAL_ERROR "the executable passed, expected it to fail on \"${EXPECT}\":\n${out}${err}")
endif()
if(NOT "${out}${err}" MATCHES "${EXPECT}")
  message(FATAL_ERROR "the executable failed (${rc}) but not on \"${EXPECT}\":\n${out}${err}")
endif()
message(STATUS "failed as expected (${rc}) on \"${EXPECT}\"")
