# `cpack` (or `cmake --build <dir> --target package`) builds the Debian package of the programs
# as installed. Configure with -DCMAKE_INSTALL_PREFIX=/usr: the package lays out the files under
# the prefix the programs were built for, and they look for their folders there.
set(NORVEL_PACKAGE_MAINTAINER "The Norvel developers <norvel@example.org>"
    CACHE STRING "Maintainer of the Debian package: name <address>")
if(NOT CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  message(STATUS "The Debian package will install into ${CMAKE_INSTALL_PREFIX}, not /usr: "
                 "configure with -DCMAKE_INSTALL_PREFIX=/usr to build one for the system")
endif()

# Debian wants a copyright file and a gzipped changelog in the package's doc folder.
set(NORVEL_PACKAGE_DIR ${PROJECT_BINARY_DIR}/packaging)
execute_process(COMMAND date -u -R -d ${NORVEL_RELEASE_DATE}
                OUTPUT_VARIABLE NORVEL_CHANGELOG_DATE OUTPUT_STRIP_TRAILING_WHITESPACE)
configure_file(${CMAKE_CURRENT_LIST_DIR}/packaging/copyright.in ${NORVEL_PACKAGE_DIR}/copyright
               @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/packaging/changelog.in ${NORVEL_PACKAGE_DIR}/changelog
               @ONLY)
add_custom_command(
  OUTPUT ${NORVEL_PACKAGE_DIR}/changelog.gz
  COMMAND gzip -9 -n -k -f ${NORVEL_PACKAGE_DIR}/changelog
  DEPENDS ${NORVEL_PACKAGE_DIR}/changelog
  VERBATIM)
add_custom_target(norvel-changelog ALL DEPENDS ${NORVEL_PACKAGE_DIR}/changelog.gz)
install(FILES ${NORVEL_PACKAGE_DIR}/copyright ${NORVEL_PACKAGE_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME norvel)
set(CPACK_PACKAGE_VENDOR "The Norvel developers")
set(CPACK_PACKAGE_CONTACT ${NORVEL_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
# Stripped as Debian's dh_strip does: without the compiler's .comment and .note sections.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(program norvel norvel-batch norvel-pairs)
      set(file \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\")
      if(EXISTS \"\${file}\")
        execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                                --remove-section=.note \"\${file}\" COMMAND_ERROR_IS_FATAL ANY)
      endif()
    endforeach()
  endif()")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "replace Japanese postal codes in a database field")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Norvel replaces Japanese postal codes stored in one field of one\n"
    "database table, from a list of old and new codes: one UPDATE per pair,\n"
    "in list order, all in one transaction that is committed only when\n"
    "every pair succeeded.\n"
    "\n"
    "It reads SQLite and Microsoft Access files, Excel workbooks (.xlsx, .xls)\n"
    "and any data source with an ODBC driver (PostgreSQL, MariaDB, Oracle).\n"
    "\n"
    "This package holds the window (norvel), the scriptable norvel-batch, and\n"
    "norvel-pairs, which proposes a pair list from two editions of Japan\n"
    "Post's address list.")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION database)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The ODBC drivers Debian registers for the data sources the window offers, the Japanese fonts
# the window's fallbacks name, and Qt's translations, which put its own dialogs (the file
# dialog) in Japanese.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "odbc-postgresql, libsqliteodbc, odbc-mariadb, \
odbc-mdbtools, fonts-noto-cjk, qt6-translations-l10n")
# The window shows through Qt's xcb platform plugin (libqxcb.so), which libqt6gui6 holds; the
# library scan alone would not say that the plugin is needed.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6gui6")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
