# Runs COMMAND (a ;-list) and writes its standard output to OUTPUT; a failure stops the
# build.  cmake -DCOMMAND=... -DOUTPUT=... -P command-output.cmake
execute_process(COMMAND ${COMMAND} OUTPUT_FILE "${OUTPUT}.partial" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE "${OUTPUT}.partial")
  message(FATAL_ERROR "${COMMAND} failed: ${status}")
endif()
file(RENAME "${OUTPUT}.partial" "${OUTPUT}")
