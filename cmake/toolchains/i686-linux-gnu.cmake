# Linux on 32-bit x86 (Debian's i386), with g++-i686-linux-gnu.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(PIPEMETER_TRIPLET i686-linux-gnu)
set(PIPEMETER_DEB_ARCH i386)
set(PIPEMETER_QEMU qemu-i386)
include(${CMAKE_CURRENT_LIST_DIR}/linux-gnu.cmake)
