# The install command and the retry timer against the platform doubles, in
# both builds (natively with the sanitizers, under Wine in the win32 build).
lumarso_add_gtest(app_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/rig.cpp
          ${CMAKE_CURRENT_LIST_DIR}/install_command_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/retry_timer_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/rejected_folder_text_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/reentrant_ticks_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/module1_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/command_line_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/unattended_test.cpp
  LIBS lumarso_app lumarso_platform_doubles)
