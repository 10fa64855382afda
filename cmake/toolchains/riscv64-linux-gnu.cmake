# Linux on 64-bit RISC-V (Debian's riscv64), with g++-riscv64-linux-gnu.
set(CMAKE_SYSTEM_PROCESSOR riscv64)
set(PIPEMETER_TRIPLET riscv64-linux-gnu)
set(PIPEMETER_DEB_ARCH riscv64)
set(PIPEMETER_QEMU qemu-riscv64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-gnu.cmake)
