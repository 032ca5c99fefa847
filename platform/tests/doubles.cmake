# What only the doubles have, in both builds: the shared controls (scripted
# failures, the call log) and each double's own behaviour beyond its contract.
set(doubles_tests ${CMAKE_CURRENT_LIST_DIR})
lumarso_add_gtest(platform_doubles_test
  SOURCES ${doubles_tests}/call_script_test.cpp ${doubles_tests}/fake_files_test.cpp
          ${doubles_tests}/fake_registry_test.cpp ${doubles_tests}/fake_resources_test.cpp
  LIBS lumarso_platform_doubles)
