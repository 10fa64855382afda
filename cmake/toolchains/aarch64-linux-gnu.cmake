# Linux on 64-bit ARM (Debian's arm64), with g++-aarch64-linux-gnu.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(PIPEMETER_TRIPLET aarch64-linux-gnu)
set(PIPEMETER_DEB_ARCH arm64)
set(PIPEMETER_QEMU qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-gnu.cmake)
