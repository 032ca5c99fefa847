# Shared part of the MinGW-w64 cross toolchains; the including file sets
# CMAKE_SYSTEM_PROCESSOR and LUMARSO_MINGW (the target triple).
# The posix thread model: GoogleTest needs std::mutex; -static keeps winpthread inside the exe.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${LUMARSO_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LUMARSO_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${LUMARSO_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${LUMARSO_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
