# Linux on IBM Z, 64-bit big-endian (Debian's s390x), with g++-s390x-linux-gnu.
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(PIPEMETER_TRIPLET s390x-linux-gnu)
set(PIPEMETER_DEB_ARCH s390x)
set(PIPEMETER_QEMU qemu-s390x)
include(${CMAKE_CURRENT_LIST_DIR}/linux-gnu.cmake)
