# Cross toolchain: 64-bit Windows programs built with MinGW-w64, run under
# wine64.  The product ships as 32-bit; this build exists so that everything
# can be built and tested on hosts whose kernel runs no 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(LUMARSO_MINGW x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# The 64-bit loader itself: /usr/bin/wine goes through the 32-bit loader
# whenever wine32 is installed, which fails where 32-bit programs cannot run.
find_program(LUMARSO_WINE wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH REQUIRED)
