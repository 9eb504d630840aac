# Builds the message catalogue used by the catalogue tests:
#   cmake -DGENCAT=... -DSOURCE=<file.msg> -DOUTPUT=<dir>/prlmsg.cat -P make_catalog.cmake
get_filename_component(out_dir "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${out_dir}")
file(REMOVE "${OUTPUT}")
execute_process(COMMAND "${GENCAT}" "${OUTPUT}" "${SOURCE}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT EXISTS "${OUTPUT}")
  message(FATAL_ERROR "gencat failed (${rc})")
endif()
