# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a test of the build in BUILD_DIR has no TIMEOUT of its own: CTest's default is
# 10,000,000 seconds, so a test that hangs would hold the whole run.
execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir ${BUILD_DIR} --show-only=json-v1
                OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "ctest could not list the tests of ${BUILD_DIR}")
endif()
string(JSON count LENGTH "${listing}" tests)
set(missing "")
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
  string(JSON name GET "${listing}" tests ${i} name)
  string(JSON properties ERROR_VARIABLE none GET "${listing}" tests ${i} properties)
  if(NOT properties MATCHES "\"TIMEOUT\"")
    list(APPEND missing "${name}")
  endif()
endforeach()
if(missing)
  string(REPLACE ";" "\n  " text "${missing}")
  message(FATAL_ERROR "Tests without a TIMEOUT:\n  ${text}")
endif()
message(STATUS "${count} tests, each with a TIMEOUT")
