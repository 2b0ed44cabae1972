# The suites as Windows programs, run under Wine (the toolchain's emulator).
#
# GoogleTest is built for the target from Debian's sources (package googletest).
set(SQK2XML_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources, built for the target")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${SQK2XML_GTEST_SOURCE} googletest EXCLUDE_FROM_ALL SYSTEM) # GTest::gtest, GTest::gtest_main

target_sources(sqk2xml_test_support PRIVATE support/win32/TestSupport_win32.cpp)
target_include_directories(sqk2xml_test_support PRIVATE ${PROJECT_SOURCE_DIR}/platform/win32)
target_link_libraries(sqk2xml_test_support PUBLIC GTest::gtest)

# Debian has no libxml2 for mingw: the suites copy each document they would check into
# xml-check/, and xmllint on the host checks them all once every suite has run.
set(_xml_dir ${CMAKE_CURRENT_BINARY_DIR}/xml-check)
set(_wine_run ${PROJECT_SOURCE_DIR}/scripts/wine-run --prefix ${CMAKE_BINARY_DIR}/wine-prefix)
add_test(NAME windows_setup COMMAND ${CMAKE_COMMAND} -E
  env "SQK2XML_XML_DIR=${_xml_dir}" ${CMAKE_CURRENT_SOURCE_DIR}/windows-fixture.sh setup ${_wine_run})
add_test(NAME windows_xml_check COMMAND ${CMAKE_COMMAND} -E
  env "SQK2XML_XML_DIR=${_xml_dir}" ${CMAKE_CURRENT_SOURCE_DIR}/windows-fixture.sh check ${_wine_run})
set_tests_properties(windows_setup PROPERTIES FIXTURES_SETUP wine)
set_tests_properties(windows_xml_check PROPERTIES FIXTURES_CLEANUP wine)
set(SQK2XML_TEST_FIXTURES wine)
# Z: is the host's root under Wine.
set(SQK2XML_TEST_ENVIRONMENT "SQK2XML_XML_CHECK_DIR=Z:${_xml_dir}")
