# The DLL exports the calls of <ziffralon/ziffralon.h> and nothing else.
# Run with -DOBJDUMP= -DLIBRARY=.
set(expected
  _ZN9ziffralon12get_variableESt17basic_string_viewIcSt11char_traitsIcEE
  _ZN9ziffralon12set_variableESt17basic_string_viewIcSt11char_traitsIcEEd
  _ZN9ziffralon15evaluate_stringEPKcRd
  ziffralon_evaluate
  ziffralon_get_variable
  ziffralon_set_variable
  ziffralon_version)
execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY} OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} could not read ${LIBRARY}")
endif()
# The names of the export table: "\t[   0] name" after "[Ordinal/Name Pointer] Table".
string(REGEX REPLACE ".*\\[Ordinal/Name Pointer\\] Table\n" "" listing "${listing}")
string(REGEX MATCHALL "\t\\[ *[0-9]+\\] [^\n]+" entries "${listing}")
set(exported)
foreach(entry ${entries})
  string(REGEX REPLACE ".*\\] " "" name "${entry}")
  list(APPEND exported ${name})
endforeach()
list(SORT exported)
if(NOT exported STREQUAL expected)
  message(FATAL_ERROR "${LIBRARY} exports:\n  ${exported}\nexpected:\n  ${expected}")
endif()
