# The install log's file: its contract against the double natively and
# against the real API under Wine; the clock and the system's error texts
# under Wine only (their doubles are plain values).
set(log_tests ${CMAKE_CURRENT_LIST_DIR})
if(WIN32)
  lumarso_add_gtest(log_file_contract_win32
    SOURCES ${log_tests}/log_file_contract_test.cpp ${log_tests}/log_file_world_win32.cpp
            ${log_tests}/clock_and_messages_win32_test.cpp
    LIBS lumarso_platform_win32 lumarso_test_support_win32)
else()
  lumarso_add_gtest(log_file_contract_fake
    SOURCES ${log_tests}/log_file_contract_test.cpp ${log_tests}/log_file_world_fake.cpp
    LIBS lumarso_platform_doubles)
endif()
