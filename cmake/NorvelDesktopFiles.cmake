# What makes the window a desktop application: the menu entry, its icons, the AppStream
# metainfo, and bash completion for norvel-batch.
set(NORVEL_DATA_DIR ${PROJECT_SOURCE_DIR}/data)

# The metainfo carries the version and the release date.
configure_file(${NORVEL_DATA_DIR}/norvel.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/data/${NORVEL_APP_ID}.metainfo.xml @ONLY)

if(NORVEL_WITH_QT)
  install(FILES ${NORVEL_DATA_DIR}/norvel.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications RENAME ${NORVEL_APP_ID}.desktop)
  install(DIRECTORY ${NORVEL_DATA_DIR}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
  install(FILES ${PROJECT_BINARY_DIR}/data/${NORVEL_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()
install(FILES ${NORVEL_DATA_DIR}/bash-completion/norvel-batch
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
