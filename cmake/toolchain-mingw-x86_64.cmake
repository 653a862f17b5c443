# Cross compiling for 64-bit Windows with MinGW-w64: the same sources as the shipped
# 32-bit exe, built to be tested under 64-bit Wine on machines that cannot execute 32-bit
# code (there 32-bit Wine cannot start).
set(mingw_triple x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
find_program(WINE_PROGRAM NAMES wine64 PATHS /usr/lib/wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-cross.cmake)
