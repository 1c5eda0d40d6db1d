# cmake -DEMULATOR=wine-run.sh -DPROGRAM=x.exe "-DARGS=a;b" -DSTATUS=N "-DOUTPUT=text" -P run_status.cmake
# Runs the program under the emulator and checks its exit status and its whole output (both
# streams, which the emulator hands on as one), line endings aside.
execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${ARGS} RESULT_VARIABLE status OUTPUT_VARIABLE output)
string(REPLACE "\r\n" "\n" output "${output}")
string(REGEX REPLACE "Read access denied for device [^\n]*\n" "" output "${output}")
if(NOT status EQUAL STATUS OR NOT output STREQUAL OUTPUT)
  message(FATAL_ERROR "${PROGRAM} ${ARGS}: exit status ${status}, output '${output}'; "
                      "expected ${STATUS} and '${OUTPUT}'")
endif()
