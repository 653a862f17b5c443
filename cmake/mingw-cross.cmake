# What the two MinGW-w64 toolchain files share; they set mingw_triple (the compilers'
# prefix), CMAKE_SYSTEM_PROCESSOR and the Wine loader that runs the tests. The
# posix-threads compilers are preferred: the win32-threads ones lack std::mutex, which
# GoogleTest needs.
set(CMAKE_SYSTEM_NAME Windows)

find_program(CMAKE_C_COMPILER NAMES ${mingw_triple}-gcc-posix ${mingw_triple}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${mingw_triple}-g++-posix ${mingw_triple}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${mingw_triple}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_PROGRAM})
