# tessark_add_test(name SOURCES files... LIBS targets... [GTEST] [PROGRAM]
#                  [LABELS labels...] [ENVIRONMENT VAR=value...] [TIMEOUT seconds])
#
# One test executable, built with the project's warnings and registered with
# CTest. GTEST: a GoogleTest program whose tests CTest lists one by one;
# otherwise a Qt Test program run as one CTest test on the offscreen platform.
# PROGRAM: the test runs the real program (TESSARK_PROGRAM is its path), so it
# is built first. Every test sees TESSARK_TEST_DATA and TESSARK_SOURCE_DIR and
# the support headers of tests/support. Every test carries the label of its
# folder (engine, app, cli, controls, ui, packaging, tools).
function(tessark_add_test name)
  cmake_parse_arguments(T "GTEST;PROGRAM" "TIMEOUT" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} tessark_test_support)
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  set(labels ${folder} ${T_LABELS})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  if(T_PROGRAM)
    target_compile_definitions(${name} PRIVATE TESSARK_PROGRAM="$<TARGET_FILE:tessark>")
    add_dependencies(${name} tessark)
  endif()
  tessark_set_warnings(${name})
  if(T_GTEST)
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 DISCOVERY_MODE PRE_TEST
                         PROPERTIES LABELS "${labels}" TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${T_ENVIRONMENT}")
  else()
    target_link_libraries(${name} PRIVATE Qt6::Test)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS "${labels}" TIMEOUT ${T_TIMEOUT}
                         ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${T_ENVIRONMENT}")
  endif()
endfunction()
