# CPack project file of the Debian package: Depends is libc6 from the newest
# GLIBC_x.y version among the symbols the program takes from it (objdump -T),
# the version from which a libc6 has all of them.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
execute_process(COMMAND "${CPACK_PIPEMETER_OBJDUMP}" -T "${CPACK_PIPEMETER_PROGRAM}"
  OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "GLIBC_[0-9][0-9.]*" versions "${symbols}")
if(NOT versions)
  message(FATAL_ERROR "debian-depends.cmake: ${CPACK_PIPEMETER_PROGRAM} needs no GLIBC_ symbol version")
endif()
# Natural order compares the numbers between the dots as numbers: 2.4 before 2.34.
list(SORT versions COMPARE NATURAL)
list(GET versions -1 newest)
string(REPLACE "GLIBC_" "" newest "${newest}")
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= ${newest})")
