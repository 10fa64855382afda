# CPack post-build step: writes each zip and tarball again from CPack's staging folder, and each Debian package again
# with dpkg-deb, so that the same files give the same bytes on any machine and for any user (packaging/README.md).
set(staged "${CPACK_TOPLEVEL_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}")
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(package MATCHES "\\.deb$")
    set(raw "${package}.raw")
    file(REMOVE_RECURSE "${raw}")
    execute_process(COMMAND dpkg-deb --raw-extract "${package}" "${raw}" COMMAND_ERROR_IS_FATAL ANY)
    # Installed-Size counted again as dpkg-gencontrol does (each file in KiB, rounded up, and 1 for each folder): the
    # generator counts the folders' own sizes, which differ between file systems.
    file(GLOB_RECURSE contents LIST_DIRECTORIES true "${raw}/*")
    list(FILTER contents EXCLUDE REGEX "/DEBIAN(/|$)")
    set(kib 0)
    foreach(path IN LISTS contents)
      if(IS_DIRECTORY "${path}")
        math(EXPR kib "${kib} + 1")
      else()
        file(SIZE "${path}" bytes)
        math(EXPR kib "${kib} + (${bytes} + 1023) / 1024")
      endif()
    endforeach()
    file(READ "${raw}/DEBIAN/control" control)
    string(REGEX REPLACE "Installed-Size: [0-9]+" "Installed-Size: ${kib}" control "${control}")
    file(WRITE "${raw}/DEBIAN/control" "${control}")
    execute_process(COMMAND dpkg-deb --root-owner-group -Zgzip --build "${raw}" "${package}"
      OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE "${raw}")
  elseif(package MATCHES "\\.(zip|tar\\.gz)$")
    file(GLOB_RECURSE entries LIST_DIRECTORIES false RELATIVE "${CPACK_TOPLEVEL_DIRECTORY}" "${staged}/*")
    list(SORT entries)
    list(JOIN entries "\n" listing)
    file(WRITE "${package}.list" "${listing}\n")
    if(DEFINED ENV{SOURCE_DATE_EPOCH})
      execute_process(COMMAND touch -h -d "@$ENV{SOURCE_DATE_EPOCH}" ${entries}
        WORKING_DIRECTORY "${CPACK_TOPLEVEL_DIRECTORY}" COMMAND_ERROR_IS_FATAL ANY)
    endif()
    file(REMOVE "${package}")
    if(package MATCHES "\\.zip$")
      # A zip keeps local times: UTC, for every builder alike.
      execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC zip -X -q -9 "${package}" -@
        INPUT_FILE "${package}.list" WORKING_DIRECTORY "${CPACK_TOPLEVEL_DIRECTORY}" COMMAND_ERROR_IS_FATAL ANY)
    else()
      execute_process(COMMAND tar --format=gnu --owner=0 --group=0 --numeric-owner -cf - -T "${package}.list"
        COMMAND gzip -9n
        OUTPUT_FILE "${package}" WORKING_DIRECTORY "${CPACK_TOPLEVEL_DIRECTORY}" COMMAND_ERROR_IS_FATAL ANY)
    endif()
    file(REMOVE "${package}.list")
  endif()
endforeach()
