# Linux on 64-bit little-endian POWER (Debian's ppc64el), with g++-powerpc64le-linux-gnu.
set(CMAKE_SYSTEM_PROCESSOR ppc64le)
set(PIPEMETER_TRIPLET powerpc64le-linux-gnu)
set(PIPEMETER_DEB_ARCH ppc64el)
set(PIPEMETER_QEMU qemu-ppc64le)
include(${CMAKE_CURRENT_LIST_DIR}/linux-gnu.cmake)
