# SPDX-License-Identifier: GPL-3.0-or-later
# The manual pages, written by hand in docs/man: NAME.SECTION.in gets the version and the date
# (SOURCE_DATE_EPOCH when set, so that a rebuild gives the same page) and is installed gzipped
# in its section.
include(GNUInstallDirs)
find_program(GZIP_EXECUTABLE gzip REQUIRED)
string(TIMESTAMP VKO_MANUAL_DATE "%Y-%m-%d" UTC)

# vko_add_man_page(<page> <section>): docs/man/<page>.<section>.in
function(vko_add_man_page page section)
  set(source ${PROJECT_SOURCE_DIR}/docs/man/${page}.${section}.in)
  set(out ${PROJECT_BINARY_DIR}/man/${page}.${section})
  configure_file(${source} ${out} @ONLY)
  add_custom_command(
    OUTPUT ${out}.gz
    COMMAND ${GZIP_EXECUTABLE} -9nkf ${out}
    DEPENDS ${out}
    VERBATIM)
  add_custom_target(${page}_${section}_man_page ALL DEPENDS ${out}.gz)
  install(FILES ${out}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endfunction()
