# Linux on 32-bit little-endian MIPS (Debian's mipsel, routers), with g++-mipsel-linux-gnu.
set(CMAKE_SYSTEM_PROCESSOR mipsel)
set(PIPEMETER_TRIPLET mipsel-linux-gnu)
set(PIPEMETER_DEB_ARCH mipsel)
set(PIPEMETER_QEMU qemu-mipsel)
include(${CMAKE_CURRENT_LIST_DIR}/linux-gnu.cmake)
