# Cross toolchain for the product: 32-bit Windows with the posix thread model.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(PW_MINGW_TRIPLE i686-w64-mingw32)
set(PW_WIN_TARGET win32)
set(PW_WINE_LOADER ${CMAKE_CURRENT_LIST_DIR}/../scripts/pw-wine32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
