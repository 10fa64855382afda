# Build step for the Debian package's documents, run as `cmake -P` with
#   CHANGELOG   CHANGELOG.md (Keep a Changelog)
#   LICENSE     the license text
#   VERSION     the program's version text
#   RELEASE     the RPM package's release number
#   MAINTAINER  "Name <address>", who signs the Debian changelog entry
#   OUT_DIR     where changelog.gz, copyright and rpm-changelog are written
#   GZIP        the gzip program
# The Debian changelog is the CHANGELOG.md entry of VERSION, its bullets as
# Debian's "  * " items; rpm-changelog is the same entry as the RPM package's
# %changelog wants it, its bullets as "- " items; the copyright file is
# LICENSE in Debian's machine-readable form. Neither text is kept twice.
cmake_minimum_required(VERSION 3.20)
foreach(input CHANGELOG LICENSE VERSION RELEASE MAINTAINER OUT_DIR GZIP)
  if(NOT DEFINED ${input})
    message(FATAL_ERROR "debian-docs.cmake: ${input} is not set")
  endif()
endforeach()
file(MAKE_DIRECTORY "${OUT_DIR}")

# --- changelog.gz
file(STRINGS "${CHANGELOG}" lines)
set(in_entry FALSE)
set(date "")
set(items "")
set(rpm_items "")
foreach(line IN LISTS lines)
  if(line MATCHES "^## \\[([^]]*)\\] - ([0-9-]+)$")
    if(in_entry)
      break()
    endif()
    if(CMAKE_MATCH_1 STREQUAL VERSION)
      set(in_entry TRUE)
      set(date "${CMAKE_MATCH_2}")
    endif()
  elseif(in_entry)
    if(line MATCHES "^- (.*)$")
      string(APPEND items "  * ${CMAKE_MATCH_1}\n")
      string(APPEND rpm_items "- ${CMAKE_MATCH_1}\n")
    elseif(line MATCHES "^  (.*)$")
      string(APPEND items "    ${CMAKE_MATCH_1}\n")
      string(APPEND rpm_items "  ${CMAKE_MATCH_1}\n")
    endif()
  endif()
endforeach()
if(NOT in_entry)
  message(FATAL_ERROR "debian-docs.cmake: ${CHANGELOG} has no entry \"## [${VERSION}] - date\"")
endif()
if(items STREQUAL "")
  message(FATAL_ERROR "debian-docs.cmake: the ${VERSION} entry of ${CHANGELOG} has no items")
endif()
# The entry's date as FORMAT for date(1).
function(entry_date format out)
  execute_process(COMMAND date -u "${format}" -d "${date}"
    OUTPUT_VARIABLE formatted OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "debian-docs.cmake: cannot read the date ${date}")
  endif()
  set(${out} "${formatted}" PARENT_SCOPE)
endfunction()
# Debian wants the date as RFC 5322, with its day of the week.
entry_date(-R rfc_date)
file(WRITE "${OUT_DIR}/changelog"
  "pipemeter (${VERSION}) unstable; urgency=medium\n\n${items}\n -- ${MAINTAINER}  ${rfc_date}\n")
# RPM wants "Www Mmm DD YYYY" and the version-release after the signature.
entry_date("+%a %b %d %Y" rpm_date)
file(WRITE "${OUT_DIR}/rpm-changelog" "* ${rpm_date} ${MAINTAINER} - ${VERSION}-${RELEASE}\n${rpm_items}")

# --- copyright
file(STRINGS "${LICENSE}" license_lines)
list(GET license_lines 0 license_name)
set(holder "")
set(body "")
set(seen_holder FALSE)
foreach(line IN LISTS license_lines)
  if(NOT seen_holder)
    if(line MATCHES "^Copyright \\(c\\) (.*)$")
      set(holder "${CMAKE_MATCH_1}")
      set(seen_holder TRUE)
    endif()
  elseif(line STREQUAL "")
    string(APPEND body " .\n")
  else()
    string(APPEND body " ${line}\n")
  endif()
endforeach()
if(NOT license_name STREQUAL "MIT License" OR holder STREQUAL "")
  message(FATAL_ERROR "debian-docs.cmake: ${LICENSE} is not an MIT license with a copyright line")
endif()
string(REGEX REPLACE "^ \\.\n" "" body "${body}")
# Debian's short name for the MIT license text is Expat.
file(WRITE "${OUT_DIR}/copyright"
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: Pipemeter\n\n"
  "Files: *\n"
  "Copyright: ${holder}\n"
  "License: Expat\n"
  "${body}")

execute_process(COMMAND "${GZIP}" -9nf "${OUT_DIR}/changelog" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "debian-docs.cmake: gzip failed")
endif()
