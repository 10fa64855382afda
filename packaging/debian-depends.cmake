# CPack project file of the Debian package: Depends is libc6 from the newest
# GLIBC_x.y version among the symbols the program takes from it (objdump -T),
# the version from which a libc6 has all of them.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
execute_process(COMMAND "${CPACK_PIPEMETER_OBJDUMP}" -T "${CPACK_PIPEMETER_PROGRAM}"
  OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "GLIBC_[0-9][0-9.]*" versions "${symbols}")
set(newest "")
foreach(version IN LISTS versions)
  string(REPLACE "GLIBC_" "" version "${version}")
  if(version VERSION_GREATER newest)
    set(newest "${version}")
  endif()
endforeach()
if(newest STREQUAL "")
  message(FATAL_ERROR "debian-depends.cmake: ${CPACK_PIPEMETER_PROGRAM} needs no GLIBC_ symbol version")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= ${newest})")
