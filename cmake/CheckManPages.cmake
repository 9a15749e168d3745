# Fails when a manual page falls behind the program it describes: every command tarnview-cli
# --help lists needs a subsection of tarnview-cli.1 headed by its exact usage, and every option
# tarnview --help names must appear in tarnview.1. With MANDOC, both pages must also pass its
# lint without a warning.
#
#   cmake -DCLI=... [-DGUI=...] -DMAN_DIR=docs/man [-DMANDOC=mandoc] -P CheckManPages.cmake
cmake_minimum_required(VERSION 3.25)

function(run_checked what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${what} failed (${result}):\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

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
set(in_commands FALSE)
set(commands 0)
foreach(line IN LISTS lines)
  if(line STREQUAL "Commands:")
    set(in_commands TRUE)
    continue()
  endif()
  # "  name usage<spaces>synopsis": the usage ends where the column of synopses begins.
  if(NOT in_commands OR NOT line MATCHES "^  ([^ ].*[^ ]|[^ ])  +[^ ]")
    continue()
  endif()
  string(REGEX REPLACE "^  (.*[^ ])   *[A-Z][^ ]* .*$" "\\1" head "${line}")
  string(REGEX MATCH "^[^ ]+" name "${head}")
  math(EXPR commands "${commands} + 1")
  if(name MATCHES "^-")
    # --help and --version: one subsection names the spellings.
    string(FIND "${cli_page}" "\n.SS \"${name}" at)
    if(at EQUAL -1)
      string(FIND "${cli_page}" ", ${name}" at)
    endif()
  else()
    string(FIND "${cli_page}" "\n.SS \"${head}\"\n" at)
  endif()
  if(at EQUAL -1)
    list(APPEND problems "tarnview-cli.1 has no subsection \"${head}\"")
  endif()
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
