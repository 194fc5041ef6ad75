# SPDX-License-Identifier: GPL-3.0-or-later
# vko_add_layer(<target> [DEPS <targets>...])
# One static library per source folder, built from every .cpp file in it. Headers are included
# as "<layer>/<Header>.h" from src/.
function(vko_add_layer target)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    # A layer whose sources have not been written yet still provides its headers.
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR}/src ${PROJECT_BINARY_DIR}/generated)
    target_link_libraries(${target} INTERFACE ${ARG_DEPS})
    return()
  endif()
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_BINARY_DIR}/generated)
  target_link_libraries(${target} PUBLIC ${ARG_DEPS} PRIVATE vko_warnings)
endfunction()

# vko_add_gtest(<target> [LIBS <targets>...] [TIMEOUT <seconds>] [SLOW <regex> <seconds>...])
# One GoogleTest program per test folder, built from every .cpp file in it and registered
# test by test with CTest. Every test gets TIMEOUT seconds (60 unless given), so that a hang
# fails the run instead of holding it; a test whose name matches a SLOW regex gets that pair's
# seconds instead (the first match counts).
function(vko_add_gtest target)
  cmake_parse_arguments(ARG "SERIAL" "TIMEOUT" "LIBS;SLOW" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 60)
  endif()
  add_executable(${target} ${sources})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} vko_testsupport GTest::gtest GTest::gmock
                        GTest::gtest_main vko_warnings)
  # SERIAL: tests that look at the whole machine (mounts, every temporary file) run alone.
  set(serial "")
  if(ARG_SERIAL)
    set(serial RUN_SERIAL TRUE)
  endif()
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "VKO_TEST_TMP=${CMAKE_BINARY_DIR}/test-tmp"
                                  TIMEOUT ${ARG_TIMEOUT} ${serial})
  if(NOT ARG_SLOW)
    return()
  endif()
  # The tests are known only once discovered: a file included after the discovered list (it
  # sets <target>_TESTS) gives the slow ones their time.
  set(body "")
  while(ARG_SLOW)
    list(POP_FRONT ARG_SLOW pattern seconds)
    string(APPEND body "  if(NOT done AND test MATCHES \"${pattern}\")\n"
                       "    set_tests_properties(\"\${test}\" PROPERTIES TIMEOUT ${seconds})\n"
                       "    set(done TRUE)\n  endif()\n")
  endwhile()
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}_timeouts.cmake)
  file(WRITE ${script}
       "foreach(test IN LISTS ${target}_TESTS)\n  set(done FALSE)\n${body}endforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()
