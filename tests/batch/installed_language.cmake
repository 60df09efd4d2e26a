# cmake -P: norvel-batch installed under a prefix of its own finds its catalog there, as a package
# has it: Japanese help under ja_JP.UTF-8, English under C.
# In: INSTALL_SCRIPT (src/app/batch/cmake_install.cmake of the build), WORK_DIR.
execute_process(COMMAND locale -a OUTPUT_VARIABLE locales)
if(NOT locales MATCHES "(^|\n)ja_JP\\.(utf8|UTF-8)\n")
  message("SKIPPED: the ja_JP.UTF-8 locale is missing (localedef -i ja_JP -f UTF-8 ja_JP.UTF-8)")
  return()
endif()

set(prefix ${WORK_DIR}/installed)
file(REMOVE_RECURSE ${prefix})
execute_process(COMMAND ${CMAKE_COMMAND} -DCMAKE_INSTALL_PREFIX=${prefix} -P ${INSTALL_SCRIPT}
                OUTPUT_QUIET RESULT_VARIABLE status)
if(NOT status STREQUAL "0")
  message(FATAL_ERROR "installing norvel-batch into ${prefix} failed")
endif()
file(GLOB_RECURSE programs ${prefix}/*/norvel-batch)
if(NOT programs)
  message(FATAL_ERROR "no norvel-batch under ${prefix}")
endif()

foreach(case "ja_JP.UTF-8|使い方: norvel-batch" "C|Usage: norvel-batch")
  string(REPLACE "|" ";" case "${case}")
  list(GET case 0 locale)
  list(GET case 1 expected)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env --unset=LC_ALL --unset=LC_MESSAGES --unset=LANGUAGE
            LANG=${locale} ${programs} --help
    OUTPUT_VARIABLE help RESULT_VARIABLE status)
  if(NOT status STREQUAL "0" OR NOT help MATCHES "\n${expected} ")
    message(FATAL_ERROR "LANG=${locale} ${programs} --help:\n${help}")
  endif()
endforeach()
