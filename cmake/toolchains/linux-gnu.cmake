# The part every Linux toolchain file shares; each sets before including it
#   PIPEMETER_TRIPLET    the GNU triplet of Debian's cross compiler (g++-TRIPLET)
#   PIPEMETER_DEB_ARCH   the Debian architecture of its packages
#   PIPEMETER_QEMU       the qemu-user program that runs its programs here
# The target's C library root is where the cross compiler's libc6-dev-*-cross
# package puts it, /usr/TRIPLET: the compiler links against it and qemu-user
# loads the program's shared libraries from it (-L).
set(CMAKE_SYSTEM_NAME Linux)
find_program(CMAKE_CXX_COMPILER NAMES ${PIPEMETER_TRIPLET}-g++ REQUIRED)
# Cached, so that what runs a built program (the release's checks) reads it
# from the build's CMakeCache.txt.
set(CMAKE_CROSSCOMPILING_EMULATOR "${PIPEMETER_QEMU};-L;/usr/${PIPEMETER_TRIPLET}" CACHE STRING
  "The command that runs the target's programs here")

set(CMAKE_FIND_ROOT_PATH /usr/${PIPEMETER_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
