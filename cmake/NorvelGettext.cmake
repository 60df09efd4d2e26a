# norvel-batch's own texts in the user's language, through gettext: the catalogs po/<lang>.po are
# compiled into <build>/share/locale beside <build>/bin, laid out as an installed copy has them
# under ${CMAKE_INSTALL_LOCALEDIR}, so the program finds them relative to itself in both places.
# Without libintl (the mingw-w64 build) or msgfmt the texts stay English.
find_package(Intl QUIET)
find_package(Gettext QUIET)
set(norvel_nls_possible OFF)
if(Intl_FOUND AND GETTEXT_MSGFMT_EXECUTABLE AND NOT WIN32)
  set(norvel_nls_possible ON)
endif()
option(NORVEL_NLS "Translate norvel-batch's own texts (needs libintl and msgfmt)"
       ${norvel_nls_possible})
if(NORVEL_NLS AND NOT norvel_nls_possible)
  message(FATAL_ERROR "NORVEL_NLS needs libintl.h and msgfmt (apt-get install gettext)")
endif()

set(NORVEL_PO_DIR ${PROJECT_SOURCE_DIR}/po)
# Where the catalogs are, seen from the folder of the programs.
file(RELATIVE_PATH NORVEL_LOCALE_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_LOCALEDIR})

# Translations for target's texts of the catalog `domain`, compiled with the target and installed.
function(norvel_message_catalogs target domain)
  if(NOT NORVEL_NLS)
    return()
  endif()
  target_compile_definitions(${target} PRIVATE NORVEL_NLS=1
                             NORVEL_LOCALE_FROM_BIN="${NORVEL_LOCALE_FROM_BIN}")
  target_link_libraries(${target} PRIVATE Intl::Intl)
  file(GLOB po_files CONFIGURE_DEPENDS ${NORVEL_PO_DIR}/*.po)
  set(catalogs)
  foreach(po ${po_files})
    get_filename_component(language ${po} NAME_WE)
    set(dir ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${NORVEL_LOCALE_FROM_BIN}/${language}/LC_MESSAGES)
    cmake_path(NORMAL_PATH dir)
    add_custom_command(
      OUTPUT ${dir}/${domain}.mo
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
      COMMAND ${GETTEXT_MSGFMT_EXECUTABLE} --check -o ${dir}/${domain}.mo ${po}
      DEPENDS ${po}
      COMMENT "Compiling the ${language} catalog of ${domain}"
      VERBATIM)
    list(APPEND catalogs ${dir}/${domain}.mo)
    install(FILES ${dir}/${domain}.mo DESTINATION ${CMAKE_INSTALL_LOCALEDIR}/${language}/LC_MESSAGES)
  endforeach()
  add_custom_target(${domain}-catalogs ALL DEPENDS ${catalogs})
  # Building the library builds its translations, so the program next to them is never without.
  add_dependencies(${target} ${domain}-catalogs)
endfunction()

# `cmake --build <dir> --target <domain>-pot` writes po/<domain>.pot again from the sources in
# source_dir (the texts in tr() and trn()).
find_program(NORVEL_XGETTEXT xgettext)
function(norvel_message_template domain source_dir)
  if(NOT NORVEL_XGETTEXT)
    return()
  endif()
  add_custom_target(${domain}-pot
    COMMAND ${CMAKE_COMMAND} -DXGETTEXT=${NORVEL_XGETTEXT} -DDOMAIN=${domain}
            -DVERSION=${PROJECT_VERSION} -DSOURCE_DIR=${source_dir}
            -DOUTPUT=${NORVEL_PO_DIR}/${domain}.pot -P ${NORVEL_PO_DIR}/extract.cmake
    COMMENT "Extracting the texts of ${domain} into po/${domain}.pot"
    VERBATIM)
endfunction()
