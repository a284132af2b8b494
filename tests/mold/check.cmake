# Runs zel-mold on SOURCE and compares its output with EXPECTED.
execute_process(COMMAND ${TOOL} ${SOURCE} OUTPUT_VARIABLE actual RESULT_VARIABLE status)
file(READ ${EXPECTED} expected)
if(NOT actual STREQUAL expected)
  message(FATAL_ERROR "zel-mold ${SOURCE} printed:\n${actual}\nexpected:\n${expected}")
endif()
