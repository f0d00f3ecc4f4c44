# Cross toolchain for 64-bit Windows with the posix thread model: the same
# sources and flags as the 32-bit product.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(PW_MINGW_TRIPLE x86_64-w64-mingw32)
set(PW_WIN_TARGET win64)
set(PW_WINE_LOADER ${CMAKE_CURRENT_LIST_DIR}/../scripts/pw-wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
