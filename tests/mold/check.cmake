# Runs zel-mold on SOURCE and compares its output with EXPECTED. Molded values read back
# as themselves: unless EXPECTED is an error report, zel-mold run on it prints it again.
execute_process(COMMAND ${TOOL} ${SOURCE} OUTPUT_VARIABLE actual RESULT_VARIABLE status)
file(READ ${EXPECTED} expected)
if(NOT actual STREQUAL expected)
  message(FATAL_ERROR "zel-mold ${SOURCE} printed:\n${actual}\nexpected:\n${expected}")
endif()
if(NOT expected MATCHES "^\\*\\*\\*")
  execute_process(COMMAND ${TOOL} ${EXPECTED} OUTPUT_VARIABLE again)
  if(NOT again STREQUAL expected)
    message(FATAL_ERROR "zel-mold ${EXPECTED} did not read its molds back:\n${again}")
  endif()
endif()
