# Install rules and packages. Linux: the program in bin/ and its manual page
# in share/man/man1/, packed as a Debian package. Windows: the .exe and a
# read-me at the top of a zip.

set(CPACK_PACKAGE_NAME pipemeter)
set(CPACK_PACKAGE_VENDOR "Pipemeter developers")
set(CPACK_PACKAGE_CONTACT "Pipemeter developers <pipemeter@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "measure the transfer rate of a TCP connection")
# The long description keeps Debian's 80-column lines.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Pipemeter is run twice: as a server that receives and discards, and as a\n"
  "client that sends a number of megabytes. Both sides show the rate once a\n"
  "second and close with the peak and average rate in five units.")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  install(TARGETS pipemeter RUNTIME DESTINATION .)
  configure_file(doc/README-windows.txt.in ${CMAKE_BINARY_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_BINARY_DIR}/README.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
else()
  include(GNUInstallDirs)
  set(manpage ${CMAKE_BINARY_DIR}/doc/pipemeter.1)
  add_custom_command(
    OUTPUT ${manpage}
    COMMAND ${CMAKE_COMMAND}
      -DPAGE_IN=${PROJECT_SOURCE_DIR}/doc/pipemeter.1.in
      -DERROR_TEXTS=${PROJECT_SOURCE_DIR}/resources/error_texts.def
      -DPAGE_OUT=${manpage}
      -DVERSION=${PROJECT_VERSION}
      -P ${PROJECT_SOURCE_DIR}/cmake/manpage.cmake
    DEPENDS
      ${PROJECT_SOURCE_DIR}/doc/pipemeter.1.in
      ${PROJECT_SOURCE_DIR}/resources/error_texts.def
      ${PROJECT_SOURCE_DIR}/cmake/manpage.cmake
    COMMENT "Generating the manual page"
    VERBATIM)
  add_custom_target(manpage ALL DEPENDS ${manpage})
  install(TARGETS pipemeter RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${manpage} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION net)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
  # Dependencies come from the binary itself: dpkg-shlibdeps, from dpkg-dev.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)
