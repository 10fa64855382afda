# Install rules and packages. Linux: the program in bin/, its manual page
# (compressed) in share/man/man1/, the copyright file and changelog in
# share/doc/pipemeter/, packed as a Debian package. Windows: the .exe, a
# read-me and the license at the top of a zip.

# Who answers for the package: the Debian Maintainer field and the signature
# of the Debian changelog. A packager sets it with -DPIPEMETER_MAINTAINER=...
set(PIPEMETER_MAINTAINER "Pipemeter developers <pipemeter@example.org>" CACHE STRING
  "Maintainer of the packages, as \"Name <address>\"")
# Where the source is published: the container image's source annotation.
# A packager sets it with -DPIPEMETER_SOURCE_URL=... as the maintainer.
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
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
# Directories as Debian wants them, whatever the umask of the build.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# Zips and tarballs in a fixed order and with fixed times (the Debian
# generator needs no help).
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/reproducible-archive.cmake)

if(WIN32)
  install(TARGETS pipemeter RUNTIME DESTINATION .)
  configure_file(doc/README-windows.txt.in ${CMAKE_BINARY_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
  configure_file(LICENSE ${CMAKE_BINARY_DIR}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_BINARY_DIR}/README.txt ${CMAKE_BINARY_DIR}/LICENSE.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
else()
  include(GNUInstallDirs)
  # The Debian name of the target: the cross toolchain files set it, a native
  # build asks dpkg.
  if(NOT PIPEMETER_DEB_ARCH)
    execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE PIPEMETER_DEB_ARCH
      OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  endif()
  # The static program goes as a tarball to unpack anywhere: the program,
  # its manual page and the license at the top. The Debian package follows
  # Debian's layout.
  if(PIPEMETER_STATIC)
    set(program_dir .)
  else()
    set(program_dir ${CMAKE_INSTALL_BINDIR})
  endif()
  find_program(GZIP_PROGRAM gzip REQUIRED)
  set(manpage ${CMAKE_BINARY_DIR}/doc/pipemeter.1)
  add_custom_command(
    OUTPUT ${manpage} ${manpage}.gz
    COMMAND ${CMAKE_COMMAND}
      -DPAGE_IN=${PROJECT_SOURCE_DIR}/doc/pipemeter.1.in
      -DERROR_TEXTS=${PROJECT_SOURCE_DIR}/resources/error_texts.def
      -DPAGE_OUT=${manpage}
      -DVERSION=${PROJECT_VERSION}
      -DCOPYRIGHT=${PIPEMETER_COPYRIGHT}
      -DLICENSE=${PIPEMETER_LICENSE}
      -P ${PROJECT_SOURCE_DIR}/cmake/manpage.cmake
    # -n: no name or time stamp in the file, so that builds are reproducible.
    COMMAND ${GZIP_PROGRAM} -9nkf ${manpage}
    DEPENDS
      ${PROJECT_SOURCE_DIR}/doc/pipemeter.1.in
      ${PROJECT_SOURCE_DIR}/resources/error_texts.def
      ${PROJECT_SOURCE_DIR}/cmake/manpage.cmake
      ${PROJECT_SOURCE_DIR}/LICENSE
    COMMENT "Generating the manual page"
    VERBATIM)
  set(debian_docs ${CMAKE_BINARY_DIR}/doc/debian)
  include(cmake/rpm.cmake)
  add_custom_command(
    OUTPUT ${debian_docs}/changelog.gz ${debian_docs}/copyright ${debian_docs}/rpm-changelog
    COMMAND ${CMAKE_COMMAND}
      -DCHANGELOG=${PROJECT_SOURCE_DIR}/CHANGELOG.md
      -DLICENSE=${PROJECT_SOURCE_DIR}/LICENSE
      -DVERSION=${PROJECT_VERSION}
      -DRELEASE=${CPACK_RPM_PACKAGE_RELEASE}
      -DMAINTAINER=${PIPEMETER_MAINTAINER}
      -DOUT_DIR=${debian_docs}
      -DGZIP=${GZIP_PROGRAM}
      -P ${PROJECT_SOURCE_DIR}/cmake/debian-docs.cmake
    DEPENDS
      ${PROJECT_SOURCE_DIR}/CHANGELOG.md
      ${PROJECT_SOURCE_DIR}/LICENSE
      ${PROJECT_SOURCE_DIR}/cmake/debian-docs.cmake
    COMMENT "Generating the Debian changelog and copyright file"
    VERBATIM)
  add_custom_target(docs ALL DEPENDS ${manpage}.gz ${debian_docs}/changelog.gz ${debian_docs}/copyright
    ${debian_docs}/rpm-changelog)
  install(TARGETS pipemeter RUNTIME DESTINATION ${program_dir})
  # A stripped program also loses the compilers' version notes, as Debian's
  # own packages do.
  install(CODE "if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${program_dir}/pipemeter\" COMMAND_ERROR_IS_FATAL ANY)
  endif()")
  if(PIPEMETER_STATIC)
    install(FILES ${manpage} LICENSE DESTINATION .)
    set(CPACK_GENERATOR TGZ)
    set(CPACK_PACKAGE_FILE_NAME pipemeter-${PROJECT_VERSION}-linux-${PIPEMETER_DEB_ARCH})
  else()
    install(FILES resources/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides
      RENAME pipemeter)
    install(FILES ${manpage}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${debian_docs}/changelog.gz ${debian_docs}/copyright
      DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/pipemeter)

    # The RPM beside it, where RPM distributions have the architecture.
    set(CPACK_GENERATOR DEB)
    if(CPACK_RPM_PACKAGE_ARCHITECTURE)
      list(APPEND CPACK_GENERATOR RPM)
    endif()
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION net)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${PIPEMETER_MAINTAINER}")
    set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${PIPEMETER_DEB_ARCH})
    # Depends comes from the built program when the package is made: the C
    # library's newest symbol version it needs. dpkg-shlibdeps would read
    # the same from the host's libc6, and finds none for a foreign target.
    set(CPACK_PIPEMETER_PROGRAM ${CMAKE_BINARY_DIR}/pipemeter)
    set(CPACK_PIPEMETER_OBJDUMP ${CMAKE_OBJDUMP})
    set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/debian-depends.cmake)
  endif()
endif()

include(CPack)
