# Cross compiling for 32-bit Windows with MinGW-w64: the shipped exe.
set(mingw_triple i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
find_program(WINE_PROGRAM NAMES wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-cross.cmake)
