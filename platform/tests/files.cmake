# The file services' contract: against the double natively, against the real
# API under Wine (scratch folders in the Wine prefix's temp folder).
set(files_tests ${CMAKE_CURRENT_LIST_DIR})
if(WIN32)
  lumarso_add_gtest(files_contract_win32
    SOURCES ${files_tests}/files_contract_test.cpp ${files_tests}/files_world_win32.cpp
    LIBS lumarso_platform_win32 lumarso_test_support_win32)
else()
  lumarso_add_gtest(files_contract_double
    SOURCES ${files_tests}/files_contract_test.cpp ${files_tests}/files_world_double.cpp
    LIBS lumarso_platform_doubles)
endif()
