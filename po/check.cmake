# cmake -P: every text in tr() and trn() of the sources has a translation in each po/<lang>.po,
# and po/<domain>.pot holds them all (run the <domain>-pot target after changing a text).
# In: XGETTEXT, MSGCMP, MSGFMT, DOMAIN, VERSION, SOURCE_DIR, WORK_DIR (for the fresh template).
set(OUTPUT ${WORK_DIR}/${DOMAIN}.pot)
include(${CMAKE_CURRENT_LIST_DIR}/extract.cmake)

set(failed OFF)
execute_process(COMMAND ${MSGCMP} --use-untranslated ${CMAKE_CURRENT_LIST_DIR}/${DOMAIN}.pot
                        ${OUTPUT} RESULT_VARIABLE status)
if(NOT status STREQUAL "0")
  message(SEND_ERROR "po/${DOMAIN}.pot lacks texts of the sources (above)")
  set(failed ON)
endif()
file(GLOB po_files ${CMAKE_CURRENT_LIST_DIR}/*.po)
if(NOT po_files)
  message(FATAL_ERROR "no translations in ${CMAKE_CURRENT_LIST_DIR}")
endif()
foreach(po ${po_files})
  get_filename_component(name ${po} NAME)
  # msgcmp counts untranslated and fuzzy entries as missing.
  execute_process(COMMAND ${MSGCMP} ${po} ${OUTPUT} RESULT_VARIABLE status)
  if(NOT status STREQUAL "0")
    message(SEND_ERROR "po/${name} lacks translations (above)")
    set(failed ON)
  endif()
  execute_process(COMMAND ${MSGFMT} --check --statistics -o /dev/null ${po}
                  RESULT_VARIABLE status)
  if(NOT status STREQUAL "0")
    message(SEND_ERROR "po/${name} does not compile")
    set(failed ON)
  endif()
endforeach()
if(failed)
  message(FATAL_ERROR "the catalogs do not match the sources")
endif()
