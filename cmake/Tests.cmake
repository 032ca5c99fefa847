# lumarso_add_test: the one way a test is registered with CTest.
#
#   lumarso_add_test(<name> SOURCES <file>... [LIBS <lib>...] [<properties>])
#     a GoogleTest program built from SOURCES (run under Wine in the Windows
#     builds, through the cross-compiling emulator);
#   lumarso_add_test(<name> COMMAND <program> <arg>... [<properties>])
#     any other check: a host script, or a program of this build with arguments.
#
# <properties>: [LABELS <label>...] [PROPERTIES <property> <value>...], as
# set_tests_properties takes them.
function(lumarso_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;COMMAND;LABELS;PROPERTIES" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS OR (ARG_SOURCES AND ARG_COMMAND) OR NOT (ARG_SOURCES OR ARG_COMMAND))
    message(FATAL_ERROR "lumarso_add_test(${name}): give either SOURCES or COMMAND")
  endif()
  if(ARG_SOURCES)
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main GTest::gmock)
    set(ARG_COMMAND ${name})
  endif()
  add_test(NAME ${name} COMMAND ${ARG_COMMAND})
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
  if(ARG_PROPERTIES)
    set_tests_properties(${name} PROPERTIES ${ARG_PROPERTIES})
  endif()
endfunction()
