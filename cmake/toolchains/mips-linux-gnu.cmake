# Linux on 32-bit big-endian MIPS (Debian's mips, routers), with g++-mips-linux-gnu.
set(CMAKE_SYSTEM_PROCESSOR mips)
set(PIPEMETER_TRIPLET mips-linux-gnu)
set(PIPEMETER_DEB_ARCH mips)
set(PIPEMETER_QEMU qemu-mips)
include(${CMAKE_CURRENT_LIST_DIR}/linux-gnu.cmake)
