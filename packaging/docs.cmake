# The packages' documents, written into PIPEMETER_DOCS when the build is configured, each from its one source
# (packaging/README.md). Included by cpack.cmake.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/resources/error_texts.def ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${PROJECT_SOURCE_DIR}/LICENSE)
find_program(GZIP_PROGRAM gzip REQUIRED)
# -n: no name or time stamp in the file, so that builds are reproducible.
function(pipemeter_gzip file)
  execute_process(COMMAND ${GZIP_PROGRAM} -9nkf ${file} COMMAND_ERROR_IS_FATAL ANY)
endfunction()

# --- the manual page
function(pipemeter_manpage)
  file(READ ${PROJECT_SOURCE_DIR}/resources/error_texts.def table)
  string(REGEX MATCHALL "ERROR_TEXT\\([^\n]*\\)" rows "${table}")
  set(ERROR_LIST "")
  foreach(row IN LISTS rows)
    if(NOT row MATCHES "^ERROR_TEXT\\(([0-9]+), \"(.*)\"\\)$")
      message(FATAL_ERROR "docs.cmake: cannot read the row ${row}")
    endif()
    set(number "${CMAKE_MATCH_1}")
    set(text "${CMAKE_MATCH_2}")
    # C string to plain text, then to roff text: a backslash is \e, a dash the
    # plain minus the program prints, and \& keeps a leading dot or apostrophe
    # from reading as a request.
    string(REPLACE "\\\"" "\"" text "${text}")
    string(REPLACE "\\\\" "\\" text "${text}")
    string(REPLACE "\\" "\\e" text "${text}")
    string(REPLACE "-" "\\-" text "${text}")
    # What a POSIX shell sees of the number: its low 8 bits, 255 for a
    # multiple of 256 so that a failure never reads as success.
    math(EXPR status "${number} % 256")
    if(status EQUAL 0)
      set(status 255)
    endif()
    string(APPEND ERROR_LIST ".TP 14\n.BR ${number} \" (${status})\"\n\\&${text}\n")
  endforeach()
  if(ERROR_LIST STREQUAL "")
    message(FATAL_ERROR "docs.cmake: no ERROR_TEXT rows in resources/error_texts.def")
  endif()
  string(REGEX REPLACE "\n$" "" ERROR_LIST "${ERROR_LIST}")
  configure_file(${PROJECT_SOURCE_DIR}/doc/pipemeter.1.in ${PIPEMETER_DOCS}/pipemeter.1 @ONLY)
  pipemeter_gzip(${PIPEMETER_DOCS}/pipemeter.1)
endfunction()
pipemeter_manpage()

# --- the changelogs: the entry's "- " bullets as Debian's "  * " items and
# the RPM's "- " items, its indented lines indented as each wants them
function(pipemeter_changelogs)
  file(STRINGS ${PROJECT_SOURCE_DIR}/CHANGELOG.md lines)
  set(in_entry FALSE)
  foreach(line IN LISTS lines)
    if(line MATCHES "^## \\[([^]]*)\\] - ([0-9-]+)$")
      if(in_entry)
        break()
      endif()
      if(CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
        set(in_entry TRUE)
        set(date "${CMAKE_MATCH_2}")
      endif()
    elseif(in_entry AND line MATCHES "^- (.*)$")
      string(APPEND items "  * ${CMAKE_MATCH_1}\n")
      string(APPEND rpm_items "- ${CMAKE_MATCH_1}\n")
    elseif(in_entry AND line MATCHES "^  (.*)$")
      string(APPEND items "    ${CMAKE_MATCH_1}\n")
      string(APPEND rpm_items "  ${CMAKE_MATCH_1}\n")
    endif()
  endforeach()
  if(NOT items)
    message(FATAL_ERROR "docs.cmake: CHANGELOG.md has no entry \"## [${PROJECT_VERSION}] - date\" with items")
  endif()
  # Debian wants the date as RFC 5322, with its day of the week; RPM wants
  # "Www Mmm DD YYYY" and the version-release after the signature.
  execute_process(COMMAND date -u -R -d "${date}" OUTPUT_VARIABLE debian_date
    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND date -u "+%a %b %d %Y" -d "${date}" OUTPUT_VARIABLE rpm_date
    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  file(WRITE ${PIPEMETER_DOCS}/changelog "pipemeter (${PROJECT_VERSION}) unstable; urgency=medium\n\n${items}\n\
 -- ${PIPEMETER_MAINTAINER}  ${debian_date}\n")
  pipemeter_gzip(${PIPEMETER_DOCS}/changelog)
  file(WRITE ${PIPEMETER_DOCS}/rpm-changelog "* ${rpm_date} ${PIPEMETER_MAINTAINER} - \
${PROJECT_VERSION}-${CPACK_RPM_PACKAGE_RELEASE}\n${rpm_items}")
endfunction()
pipemeter_changelogs()

# --- the copyright file: the license after its copyright line, each line
# indented and an empty one "."; Debian's short name for the MIT license is Expat.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license_text)
if(NOT PIPEMETER_LICENSE STREQUAL "MIT License" OR NOT license_text MATCHES "\nCopyright \\(c\\) ([^\n]*)\n\n*(.*)$")
  message(FATAL_ERROR "docs.cmake: LICENSE is not an MIT license with a copyright line")
endif()
set(holder "${CMAKE_MATCH_1}")
string(REGEX REPLACE "\n\n" "\n.\n" body "${CMAKE_MATCH_2}")
string(REGEX REPLACE "([^\n]*)\n" " \\1\n" body "${body}")
file(WRITE ${PIPEMETER_DOCS}/copyright "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: Pipemeter\n\nFiles: *\nCopyright: ${holder}\nLicense: Expat\n${body}")
