# Renders the manual page PAGE as plain UTF-8 text with CR LF line ends into
# TEXT, for readers on Windows. Run with -DGROFF= -DPAGE= -DTEXT=.
execute_process(COMMAND ${GROFF} -t -man -Tutf8 -P-c -P-b -P-u ${PAGE}
  OUTPUT_VARIABLE text RESULT_VARIABLE failed ERROR_VARIABLE complaints)
if(failed OR complaints)
  message(FATAL_ERROR "groff could not render ${PAGE}:\n${complaints}")
endif()
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${TEXT} "${text}")
