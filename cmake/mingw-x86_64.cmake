# Builds the same Windows code as 64-bit binaries with MinGW-w64 (posix
# threads).  The shipped binaries are the 32-bit ones (mingw-i686.cmake);
# this variant exists to run the Windows tests under 64-bit Wine on machines
# that cannot execute 32-bit programs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(_tc x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   /usr/bin/${_tc}-gcc-posix)
set(CMAKE_CXX_COMPILER /usr/bin/${_tc}-g++-posix)
set(CMAKE_RC_COMPILER  /usr/bin/${_tc}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_tc})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env;WINEDEBUG=-all;/usr/lib/wine/wine64)
