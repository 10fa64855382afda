# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the POSIX-thread
# variant of the compiler, package g++-mingw-w64-x86-64-posix).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The prefix of the target's tools, for the tools CMake does not look for.
set(PIPEMETER_TRIPLET x86_64-w64-mingw32)
find_program(CMAKE_CXX_COMPILER NAMES ${PIPEMETER_TRIPLET}-g++-posix ${PIPEMETER_TRIPLET}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${PIPEMETER_TRIPLET}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${PIPEMETER_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
