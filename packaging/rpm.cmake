# The RPM beside the .deb, from the same install rules. Included by cpack.cmake; reads PIPEMETER_DEB_ARCH and
# PIPEMETER_DOCS.

# Only where RPM distributions have the architecture (cmake/targets.txt).
include(${PROJECT_SOURCE_DIR}/cmake/target.cmake)
if(target_rpm AND NOT target_rpm STREQUAL "-")
  set(CPACK_RPM_PACKAGE_ARCHITECTURE ${target_rpm})
endif()

# Debian's summary starts in lower case, RPM's with a capital.
string(SUBSTRING "${CPACK_PACKAGE_DESCRIPTION_SUMMARY}" 0 1 first)
string(SUBSTRING "${CPACK_PACKAGE_DESCRIPTION_SUMMARY}" 1 -1 rest)
string(TOUPPER "${first}" first)
set(CPACK_RPM_PACKAGE_SUMMARY "${first}${rest}")
set(CPACK_RPM_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_RELOCATABLE OFF)
set(CPACK_RPM_PACKAGE_RELEASE 1)
set(CPACK_RPM_PACKAGE_LICENSE MIT)
set(CPACK_RPM_PACKAGE_GROUP "Applications/Internet")
# xz, which every RPM distribution still in use reads (zstd is newer).
set(CPACK_RPM_COMPRESSION_TYPE xz)
set(CPACK_RPM_CHANGELOG_FILE ${PIPEMETER_DOCS}/rpm-changelog)
# Requires comes from rpmbuild's own reading of the program: the C library's
# soname and each GLIBC_x.y symbol version it takes, nothing written here.
set(CPACK_RPM_PACKAGE_AUTOREQ ON)
# Folders the system's filesystem package owns are left to it.
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
  /usr/share/man /usr/share/man/man1 /usr/share/lintian /usr/share/lintian/overrides)
set(CPACK_RPM_USER_FILELIST
  "%exclude /usr/share/lintian/overrides/pipemeter"
  "%license /usr/share/doc/pipemeter/copyright"
  "%doc /usr/share/doc/pipemeter/changelog.gz")
# CPack has stripped the program already, and the host's strip cannot read a
# foreign one: rpmbuild's own steps after the install are left out.
set(CPACK_RPM_SPEC_INSTALL_POST /bin/true)
# Reproducible: the build time and every file's time from SOURCE_DATE_EPOCH
# (when set), one build host name for every builder, and no build-id links
# (they would name the program's build id in two places).
string(CONCAT CPACK_RPM_SPEC_MORE_DEFINE
  "%define packager ${PIPEMETER_MAINTAINER}\n"
  "%define _buildhost reproducible\n"
  "%define use_source_date_epoch_as_buildtime 1\n"
  "%define clamp_mtime_to_source_date_epoch 1\n"
  "%define _build_id_links none")
