# Fails when a manual page falls behind the program it describes: every command tarnview-cli
# --help lists needs a subsection of tarnview-cli.1 that names each option of its usage, and every
# option tarnview --help names must appear in tarnview.1. With MANDOC, both pages must also pass its
# lint without a warning.
#
#   cmake -DCLI=... [-DGUI=...] -DMAN_DIR=docs/man [-DMANDOC=mandoc] -P CheckManPages.cmake
cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/RunChecked.cmake)

# The page as plain text for comparisons: troff's escaped hyphens as hyphens.
function(read_page name variable)
  file(READ ${MAN_DIR}/${name} text)
  string(REPLACE "\\-" "-" text "${text}")
  set(${variable} "${text}" PARENT_SCOPE)
endfunction()

set(problems "")

run_checked("tarnview-cli --help" ${CLI} --help)
string(REPLACE "\n" ";" lines "${out}")
read_page(tarnview-cli.1 cli_page)
# The page's subsections, each from its heading to the next one, by the first word of the heading.
string(REPLACE ";" "\\;" cli_page_list "${cli_page}")
string(REPLACE "\n.SS " ";" cli_sections "${cli_page_list}")
set(in_commands FALSE)
set(commands 0)
foreach(line IN LISTS lines)
  if(line STREQUAL "Commands:")
    set(in_commands TRUE)
    continue()
  endif()
  # "  name usage  Synopsis.": the synopsis is a sentence, its first word capitalised, while the
  # usage's words are the name, options and operands in capitals. A long usage leaves only one
  # space before the synopsis, so the words, not the columns, tell them apart.
  if(NOT in_commands OR NOT line MATCHES "^  [^ ]")
    continue()
  endif()
  string(REPLACE " " ";" words "${line}")
  set(head "")
  foreach(word IN LISTS words)
    if(word MATCHES "^[A-Z][a-z]")
      break()
    elseif(NOT word STREQUAL "")
      string(APPEND head " ${word}")
    endif()
  endforeach()
  string(STRIP "${head}" head)
  string(REGEX MATCH "^[^ ]+" name "${head}")
  math(EXPR commands "${commands} + 1")
  set(section "")
  foreach(candidate IN LISTS cli_sections)
    # --help and --version share a heading with their other spellings.
    if(candidate MATCHES "^\"([^\"\n]*[ ,])?${name}[ ,\"]")
      set(section "${candidate}")
      break()
    endif()
  endforeach()
  if(section STREQUAL "")
    list(APPEND problems "tarnview-cli.1 has no subsection for \"${head}\"")
    continue()
  endif()
  # Every option the usage names is described in the command's subsection.
  string(REGEX MATCHALL "--[a-z][a-z-]*" options "${head}")
  foreach(option IN LISTS options)
    string(FIND "${section}" "${option}" at)
    if(at EQUAL -1)
      list(APPEND problems "tarnview-cli.1 does not describe ${option} of ${name}")
    endif()
  endforeach()
endforeach()
if(commands LESS 3)
  message(FATAL_ERROR "could not read the commands from tarnview-cli --help:\n${out}")
endif()

if(GUI)
  run_checked("tarnview --help" ${GUI} --help)
  string(REGEX MATCHALL "--[a-z][a-z-]*" options "${out}")
  list(REMOVE_DUPLICATES options)
  read_page(tarnview.1 gui_page)
  foreach(option IN LISTS options)
    string(FIND "${gui_page}" "${option}" at)
    if(at EQUAL -1)
      list(APPEND problems "tarnview.1 does not describe ${option}")
    endif()
  endforeach()
endif()

if(MANDOC)
  file(GLOB pages ${MAN_DIR}/*.1)
  foreach(page IN LISTS pages)
    execute_process(COMMAND ${MANDOC} -Tlint -W warning ${page}
                    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT result EQUAL 0)
      list(APPEND problems "mandoc -Tlint ${page}:\n${out}${err}")
    endif()
  endforeach()
endif()

if(problems)
  string(REPLACE ";" "\n" problems "${problems}")
  message(FATAL_ERROR "${problems}")
endif()
message(STATUS "manual pages cover ${commands} entries of tarnview-cli --help")
