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

# vko_add_gtest(<target> [LIBS <targets>...])
# One GoogleTest program per test folder, built from every .cpp file in it and registered
# test by test with CTest.
function(vko_add_gtest target)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${target} ${sources})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} vko_testsupport GTest::gtest GTest::gmock
                        GTest::gtest_main vko_warnings)
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "VKO_TEST_TMP=${CMAKE_BINARY_DIR}/test-tmp")
endfunction()
