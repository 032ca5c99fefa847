# Cross toolchain: 64-bit Windows programs built with MinGW-w64, run under
# wine64.  The product ships as 32-bit; this build exists so that everything
# can be built and tested on hosts whose kernel runs no 32-bit programs.
# The posix thread model: GoogleTest needs std::mutex; -static keeps winpthread inside the exe.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The 64-bit loader itself: /usr/bin/wine goes through the 32-bit loader
# whenever wine32 is installed, which fails where 32-bit programs cannot run.
find_program(LUMARSO_WINE wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH REQUIRED)
