# Linux on another architecture, with Debian's cross compiler. The target is
# the Debian architecture its preset's name ends with (PIPEMETER_PRESET,
# linux-ARCH or linux-static-ARCH), and its row of cmake/targets.txt gives
# the rest. The target's C library root is where the cross compiler's
# libc6-dev-*-cross package puts it, /usr/TRIPLET: the compiler links against
# it and qemu-user loads the program's shared libraries from it (-L).
set(CMAKE_SYSTEM_NAME Linux)
# The test projects of the configure step (try_compile) read this file again
# without the cache: they find the name in the environment.
if(PIPEMETER_PRESET)
  set(ENV{PIPEMETER_PRESET} ${PIPEMETER_PRESET})
endif()
string(REGEX REPLACE ".*-" "" PIPEMETER_DEB_ARCH "$ENV{PIPEMETER_PRESET}")
include(${CMAKE_CURRENT_LIST_DIR}/../target.cmake)
if(NOT target_triplet OR target_qemu STREQUAL "-")
  message(FATAL_ERROR "cmake/targets.txt has no cross target '${PIPEMETER_DEB_ARCH}' (PIPEMETER_PRESET)")
endif()
set(CMAKE_SYSTEM_PROCESSOR ${target_processor})
find_program(CMAKE_CXX_COMPILER NAMES ${target_triplet}-g++ REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${target_qemu} -L /usr/${target_triplet})

set(CMAKE_FIND_ROOT_PATH /usr/${target_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
