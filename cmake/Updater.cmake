# Shared helpers for the targets of this project.

# lumarso_add_gtest(<name> SOURCES ... LIBS ...): a GoogleTest program run by
# CTest (under Wine in the win32 build, through the cross-compiling emulator).
function(lumarso_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main GTest::gmock)
  add_test(NAME ${name} COMMAND ${name})
endfunction()
