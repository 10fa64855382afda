# Install rules and packages: the Debian package, the static tarball, the Windows zip (packaging/README.md).

# Who answers for the packages: Debian's Maintainer (CPack's contact), the RPM
# packager, the changelogs' signatures. A packager sets it with -DPIPEMETER_MAINTAINER=...
set(PIPEMETER_MAINTAINER "Pipemeter developers <pipemeter@example.org>" CACHE STRING
  "Maintainer of the packages, as \"Name <address>\"")
# Where the source is published (the image's source annotation); set as the maintainer.
set(PIPEMETER_SOURCE_URL "https://example.org/pipemeter" CACHE STRING "Where the source is published")

set(CPACK_PACKAGE_NAME pipemeter)
set(CPACK_PACKAGE_VENDOR "${PIPEMETER_HOLDER}")
set(CPACK_PACKAGE_CONTACT "${PIPEMETER_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "measure the transfer rate of a TCP connection")
# The long description keeps Debian's 80-column lines.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Pipemeter is run twice: as a server that receives and discards, and as a\n"
  "client that sends a number of megabytes. Both sides show the rate once a\n"
  "second and close with the peak and average rate in five units.")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
# Directories as Debian wants them, whatever the umask of the build.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# The .deb, zips and tarballs written again, the same bytes on any machine (reproducible-archive.cmake).
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/reproducible-archive.cmake)

if(WIN32)
  install(TARGETS pipemeter RUNTIME DESTINATION .)
  configure_file(doc/README-windows.txt.in ${CMAKE_BINARY_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
  configure_file(LICENSE ${CMAKE_BINARY_DIR}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_BINARY_DIR}/README.txt ${CMAKE_BINARY_DIR}/LICENSE.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
else()
  include(GNUInstallDirs)
  # The Debian name of the target: the cross toolchain sets it, a native
  # build asks dpkg.
  if(NOT PIPEMETER_DEB_ARCH)
    execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE PIPEMETER_DEB_ARCH
      OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  endif()
  # The static tarball unpacks anywhere, all at its top; the .deb has Debian's layout.
  set(program_dir ${CMAKE_INSTALL_BINDIR})
  if(PIPEMETER_STATIC)
    set(program_dir .)
  endif()
  set(PIPEMETER_DOCS ${CMAKE_BINARY_DIR}/doc)
  include(${CMAKE_CURRENT_LIST_DIR}/rpm.cmake)
  include(${CMAKE_CURRENT_LIST_DIR}/docs.cmake)
  install(TARGETS pipemeter RUNTIME DESTINATION ${program_dir})
  # A stripped program also loses the compilers' version notes, as Debian's
  # own packages do.
  install(CODE "if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${program_dir}/pipemeter\" COMMAND_ERROR_IS_FATAL ANY)
  endif()")
  if(PIPEMETER_STATIC)
    install(FILES ${PIPEMETER_DOCS}/pipemeter.1 LICENSE DESTINATION .)
    set(CPACK_GENERATOR TGZ)
    set(CPACK_PACKAGE_FILE_NAME pipemeter-${PROJECT_VERSION}-linux-${PIPEMETER_DEB_ARCH})
  else()
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides
      RENAME pipemeter)
    install(FILES ${PIPEMETER_DOCS}/pipemeter.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${PIPEMETER_DOCS}/changelog.gz ${PIPEMETER_DOCS}/copyright
      DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/pipemeter)

    # The RPM beside it, where RPM distributions have the architecture.
    set(CPACK_GENERATOR DEB)
    if(CPACK_RPM_PACKAGE_ARCHITECTURE)
      list(APPEND CPACK_GENERATOR RPM)
    endif()
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION net)
    set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${PIPEMETER_DEB_ARCH})
    # Depends comes from the built program when the package is made: the C
    # library's newest symbol version it needs. dpkg-shlibdeps would read
    # the same from the host's libc6, and finds none for a foreign target.
    set(CPACK_PIPEMETER_PROGRAM ${CMAKE_BINARY_DIR}/pipemeter)
    set(CPACK_PIPEMETER_OBJDUMP ${CMAKE_OBJDUMP})
    set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/debian-depends.cmake)
  endif()
endif()

include(CPack)
