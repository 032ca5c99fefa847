# Cross toolchain: 32-bit Windows programs built with MinGW-w64, run under Wine.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(LUMARSO_MINGW i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
find_program(LUMARSO_WINE wine REQUIRED)
