# The section-table lookup on headers made up to be wrong in every way, in
# both builds; payload_win32_test checks it against the exe's own table.
lumarso_add_gtest(image_sections_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/image_sections_test.cpp
  LIBS lumarso_platform_common)
