# The real window, button, message boxes and folder prompt, driven in-process
# under Wine (and Xvfb when there is no display).
if(WIN32)
  set(ui_icon "${CMAKE_CURRENT_BINARY_DIR}/ui_test.ico")
  add_custom_command(OUTPUT "${ui_icon}"
    COMMAND "${Python3_EXECUTABLE}" "${CMAKE_CURRENT_LIST_DIR}/ui_test_icon.py" "${ui_icon}"
    DEPENDS "${CMAKE_CURRENT_LIST_DIR}/ui_test_icon.py" VERBATIM)
  set(ui_rc "${CMAKE_CURRENT_BINARY_DIR}/ui_test.rc")
  file(WRITE "${ui_rc}.in" "1 ICON \"${ui_icon}\"\n")
  configure_file("${ui_rc}.in" "${ui_rc}" COPYONLY)
  set_source_files_properties("${ui_rc}" PROPERTIES OBJECT_DEPENDS "${ui_icon}")
  lumarso_add_gtest(platform_ui_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ui_test.cpp "${ui_rc}"
    LIBS lumarso_platform_win32 lumarso_test_support_win32)
endif()

# The window and dialog doubles, in both builds.
lumarso_add_gtest(platform_ui_doubles_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ui_doubles_test.cpp
  LIBS lumarso_platform_doubles)
