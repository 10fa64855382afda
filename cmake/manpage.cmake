# Build step for the manual page, run as `cmake -P` with
#   PAGE_IN      the page template (roff)
#   ERROR_TEXTS  the error text table (ERROR_TEXT rows)
#   PAGE_OUT     the page to write
#   VERSION      the program's version text
#   COPYRIGHT    the copyright line of LICENSE
#   LICENSE      the license's name, the first line of LICENSE
# The table's rows become the page's list of error numbers, so the texts have
# one source shared with the program.
foreach(input PAGE_IN ERROR_TEXTS PAGE_OUT VERSION COPYRIGHT LICENSE)
  if(NOT DEFINED ${input})
    message(FATAL_ERROR "manpage.cmake: ${input} is not set")
  endif()
endforeach()

file(READ "${ERROR_TEXTS}" table)
string(REGEX MATCHALL "ERROR_TEXT\\([^\n]*\\)" rows "${table}")
set(ERROR_LIST "")
set(count 0)
foreach(row IN LISTS rows)
  if(NOT row MATCHES "^ERROR_TEXT\\(([0-9]+), \"(.*)\"\\)$")
    message(FATAL_ERROR "manpage.cmake: cannot read the row ${row}")
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
  math(EXPR count "${count} + 1")
endforeach()
if(count EQUAL 0)
  message(FATAL_ERROR "manpage.cmake: no ERROR_TEXT rows in ${ERROR_TEXTS}")
endif()
string(REGEX REPLACE "\n$" "" ERROR_LIST "${ERROR_LIST}")

set(PROJECT_VERSION "${VERSION}")
configure_file("${PAGE_IN}" "${PAGE_OUT}" @ONLY)
