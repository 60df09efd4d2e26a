# Man pages from the programs' --help, through help2man: gzipped into <build>/man and installed
# under share/man/man1.
option(NORVEL_MAN_PAGES "Generate and install the man pages (needs help2man)" OFF)
if(NOT NORVEL_MAN_PAGES)
  return()
endif()
find_program(HELP2MAN_EXECUTABLE help2man)
if(NOT HELP2MAN_EXECUTABLE)
  message(FATAL_ERROR "NORVEL_MAN_PAGES needs help2man (apt-get install help2man)")
endif()

set(NORVEL_MAN_DIR ${CMAKE_CURRENT_LIST_DIR}/man)
foreach(program norvel-batch norvel-pairs norvel)
  if(NOT TARGET ${program})
    continue()
  endif()
  set(page ${PROJECT_BINARY_DIR}/man/${program}.1)
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${program}> -DHELP2MAN=${HELP2MAN_EXECUTABLE}
            -DVERSION=${PROJECT_VERSION} -DINCLUDE=${NORVEL_MAN_DIR}/${program}.h2m -DOUTPUT=${page}
            -P ${NORVEL_MAN_DIR}/generate.cmake
    DEPENDS ${program} ${NORVEL_MAN_DIR}/generate.cmake ${NORVEL_MAN_DIR}/${program}.h2m
            ${NORVEL_MAN_DIR}/usage_one_line.pl ${NORVEL_MAN_DIR}/ascii_fallbacks.pl
    COMMENT "Writing the man page of ${program}"
    VERBATIM)
  add_custom_target(${program}-man ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
