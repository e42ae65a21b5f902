# Helpers shared by the subsystem folders.

# sorv_test(NAME LABEL SOURCES... LIBS ...): one GoogleTest executable = one CTest test.
# Under Wine one process start costs seconds, so cases are not split into CTest tests.
# The executables' main (tests/support/TestMain.cpp, or a suite's own that ends the same
# way) exits with 77 when cases were skipped: CTest then shows the test as skipped instead
# of counting it as a pass.
function(sorv_test name label)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(WIN32)
    target_link_libraries(${name} PRIVATE ${T_LIBS} sorv_test_main gtest)
    target_link_options(${name} PRIVATE -mconsole)
  else()
    target_link_libraries(${name} PRIVATE ${T_LIBS} sorv_test_main GTest::gtest)
  endif()
  # Tests run from the build tree's root; pictures they keep go to build/screenshots.
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1 WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  set_tests_properties(${name} PROPERTIES LABELS ${label} TIMEOUT 600 SKIP_RETURN_CODE 77)
endfunction()

# sorv_fuzz(NAME SOURCES... LIBS ...): a libFuzzer target, built only when SORVRES_FUZZ is on.
function(sorv_fuzz name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT SORVRES_FUZZ)
    return()
  endif()
  add_executable(${name} ${F_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${F_LIBS})
endfunction()
