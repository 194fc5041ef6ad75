# Script mode (cmake -P): writes PAGE.gz, the manual page of PROGRAM, with help2man.
# DESCRIPTION is the one-line NAME text; VERSION the program's file name and version (a desktop
# program prints its title there); SUBCOMMANDS a comma-separated list whose --help texts go
# into a COMMANDS section.

# Text shown as it is: roff must not read a backslash as an escape or a leading "." or "'"
# as a request.
function(roff_literal text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(extra "")
if(SUBCOMMANDS)
  string(REPLACE "," ";" subcommands "${SUBCOMMANDS}")
  string(APPEND extra "[COMMANDS]\n")
  foreach(command IN LISTS subcommands)
    execute_process(COMMAND ${PROGRAM} ${command} --help
                    OUTPUT_VARIABLE help RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "${PROGRAM} ${command} --help failed: ${result}")
    endif()
    # The footer that every subcommand repeats (after two empty lines) is in the page once.
    string(FIND "${help}" "\n\n\n" footer)
    if(footer GREATER 0)
      string(SUBSTRING "${help}" 0 ${footer} help)
    endif()
    roff_literal("${help}" help)
    string(APPEND extra ".SS ${command}\n.nf\n${help}\n.fi\n")
  endforeach()
endif()
set(include "")
if(extra)
  file(WRITE ${PAGE}.h2m "${extra}")
  set(include --include=${PAGE}.h2m)
endif()

execute_process(
  COMMAND ${HELP2MAN} --no-info --section=1 --name=${DESCRIPTION} --version-string=${VERSION} ${include}
          --output=${PAGE} ${PROGRAM}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "help2man failed for ${PROGRAM}: ${result}")
endif()
file(REMOVE ${PAGE}.gz)
execute_process(COMMAND ${GZIP} -9n ${PAGE} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "gzip failed for ${PAGE}: ${result}")
endif()
