# Manual pages written by help2man from a program's own --help and --version, so that they
# never drift from the program. Without help2man (or in a sanitizer build, whose programs may
# print leak reports) no page is made and the package goes without it; scripts/setup.sh
# installs help2man.
include(GNUInstallDirs)
find_program(HELP2MAN_EXECUTABLE help2man)
find_program(GZIP_EXECUTABLE gzip)

# vko_add_man_page(<target> DESCRIPTION <one line> [SUBCOMMANDS <name>...])
# Builds <target>.1.gz with the build and installs it in section 1. The --help of every
# subcommand named goes into a COMMANDS section.
function(vko_add_man_page target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "DESCRIPTION" "SUBCOMMANDS")
  if(VKO_SANITIZE)
    return()
  endif()
  if(NOT HELP2MAN_EXECUTABLE OR NOT GZIP_EXECUTABLE)
    message(WARNING "help2man or gzip not found: no manual page for ${target}")
    return()
  endif()
  set(page ${CMAKE_CURRENT_BINARY_DIR}/${target}.1)
  # A list would be split into separate arguments on the command line.
  string(REPLACE ";" "," subcommands "${arg_SUBCOMMANDS}")
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${target}> "-DDESCRIPTION=${arg_DESCRIPTION}"
            -DSUBCOMMANDS=${subcommands} -DPAGE=${page} -DHELP2MAN=${HELP2MAN_EXECUTABLE}
            -DGZIP=${GZIP_EXECUTABLE} "-DVERSION=${target} ${PROJECT_VERSION}" -P ${PROJECT_SOURCE_DIR}/cmake/WriteManPage.cmake
    DEPENDS ${target} ${PROJECT_SOURCE_DIR}/cmake/WriteManPage.cmake
    COMMENT "Writing the manual page of ${target}"
    VERBATIM)
  add_custom_target(${target}_man_page ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
