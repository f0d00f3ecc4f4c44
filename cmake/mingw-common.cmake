# Shared part of the two Windows cross toolchains. The including file sets
# PW_MINGW_TRIPLE, PW_WIN_TARGET and PW_WINE_LOADER first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${PW_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PW_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PW_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${PW_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Each target runs under its own Wine loader (through scripts/pw-wine32 or
# pw-wine64): /usr/bin/wine would pick the 32-bit one whenever it is
# installed, whatever the executable.
set(CMAKE_CROSSCOMPILING_EMULATOR ${PW_WINE_LOADER})
