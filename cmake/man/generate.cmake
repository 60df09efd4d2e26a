# cmake -P: writes the gzipped man page of one program from its --help, through help2man.
# In: PROGRAM (the built executable), HELP2MAN, VERSION, INCLUDE (a help2man include file with the
# page's [NAME] and extra sections), OUTPUT (the page, without .gz).
#
# The version comes from the build, not from running --version. A program whose --help does not
# answer at once (the window, before it had one, took the argument for a pair list and opened)
# gets a short page from the include file alone, so that the build never hangs or fails on it.

# English pages, and the window without a display.
set(ENV{LC_ALL} C.UTF-8)
set(ENV{LANGUAGE} "")
set(ENV{QT_QPA_PLATFORM} offscreen)

get_filename_component(name ${PROGRAM} NAME)
execute_process(COMMAND ${PROGRAM} --help
                RESULT_VARIABLE status OUTPUT_VARIABLE help ERROR_QUIET TIMEOUT 10)
if(status STREQUAL "0" AND help MATCHES "--help")
  # help2man runs a stand-in of the program's name whose usage lines are one line each, so
  # that SYNOPSIS holds the whole usage.
  get_filename_component(page_dir ${OUTPUT} DIRECTORY)
  set(stand_in ${page_dir}/help2man/${name})
  file(WRITE ${stand_in}
       "#!/bin/sh\n\"${PROGRAM}\" \"$@\" | perl \"${CMAKE_CURRENT_LIST_DIR}/usage_one_line.pl\" ${name}\n")
  file(CHMOD ${stand_in} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  execute_process(COMMAND ${HELP2MAN} --no-info --no-discard-stderr --locale=C.UTF-8
                          --version-string=${VERSION}
                          --include=${INCLUDE} --output=${OUTPUT} ${stand_in}
                  RESULT_VARIABLE status)
  if(NOT status STREQUAL "0")
    message(FATAL_ERROR "help2man failed on ${PROGRAM}")
  endif()
else()
  message(STATUS "${name} --help gave no help yet: writing a short man page")
  # The include file is roff under [SECTION] headings: its sections make the page.
  file(READ ${INCLUDE} extra)
  string(REGEX MATCH "\\[NAME\\]\n[^\n]*\n" name_section "${extra}")
  string(REPLACE "${name_section}" "" extra "${extra}")
  string(REGEX REPLACE "\\[([^]\n]+)\\]" ".SH \\1" extra "${extra}")
  string(REGEX REPLACE "^\\[NAME\\]\n" "" name_line "${name_section}")
  string(TIMESTAMP month "%B %Y" UTC)
  file(WRITE ${OUTPUT}
       ".TH ${name} 1 \"${month}\" \"${name} ${VERSION}\" \"User Commands\"\n"
       ".SH NAME\n${name_line}"
       ".SH SYNOPSIS\n.B ${name}\n[\\fI\\,OPTION\\/\\fR]...\n${extra}")
endif()
# Japanese text as groff escapes with fallbacks: no troff warnings in any locale.
execute_process(COMMAND perl ${CMAKE_CURRENT_LIST_DIR}/ascii_fallbacks.pl ${OUTPUT}
                RESULT_VARIABLE status)
if(NOT status STREQUAL "0")
  message(FATAL_ERROR "ascii_fallbacks.pl failed on ${OUTPUT}")
endif()
execute_process(COMMAND gzip -9 -n -f ${OUTPUT} RESULT_VARIABLE status)
if(NOT status STREQUAL "0")
  message(FATAL_ERROR "gzip failed on ${OUTPUT}")
endif()
