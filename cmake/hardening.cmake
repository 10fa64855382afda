# Hardening of the program and the core it links, the one place the flags
# live. The sanitizer and fuzz builds bring their own instrumentation and are
# left as they are; the benchmark's bare loop is left bare, so that what the
# hardening costs shows in its ratios.
if(PIPEMETER_SANITIZE OR PIPEMETER_FUZZ)
  return()
endif()

if(WIN32)
  # ASLR with 64-bit entropy over a relocatable image, and DEP. The MinGW-w64
  # linker sets all three by default today; asking keeps them if that changes.
  target_link_options(pipemeter PRIVATE LINKER:--dynamicbase LINKER:--nxcompat LINKER:--high-entropy-va)
  return()
endif()

set(hardening_compile
  -fstack-protector-strong
  -fstack-clash-protection
  # glibc checks buffer sizes only where the optimiser knows them; without
  # optimisation it warns instead, and -Werror would stop the build.
  $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-D_FORTIFY_SOURCE=2>)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|i[3-6]86)$")
  list(APPEND hardening_compile -fcf-protection)
endif()
target_compile_options(pipemeter_core PRIVATE ${hardening_compile})
target_compile_options(pipemeter PRIVATE ${hardening_compile})

# A fully static program has no loader to relocate it at a random address or
# to bind its symbols: it keeps the compile-time flags above and stays a plain
# executable without a dynamic section.
if(NOT PIPEMETER_STATIC)
  include(CheckPIESupported)
  check_pie_supported(LANGUAGES CXX)
  set_target_properties(pipemeter pipemeter_core PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_link_options(pipemeter PRIVATE LINKER:-z,relro LINKER:-z,now)
endif()
