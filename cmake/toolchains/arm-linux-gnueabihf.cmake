# Linux on 32-bit ARM with hardware floating point (Debian's armhf), with g++-arm-linux-gnueabihf.
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(PIPEMETER_TRIPLET arm-linux-gnueabihf)
set(PIPEMETER_DEB_ARCH armhf)
set(PIPEMETER_QEMU qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/linux-gnu.cmake)
