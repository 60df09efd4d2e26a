# Japan Post's address list (data/postal/), which the sample database, the tests and the
# benchmarks read: unpacked into the build tree once, and again when the archive changes. The
# archive keeps the checkout small (0.6 MB for the 5.3 MB list).
set(NORVEL_POSTAL_ARCHIVE ${PROJECT_SOURCE_DIR}/data/postal/jp-postal-2022.csv.tar.xz)
set(NORVEL_POSTAL_DATA_DIR ${PROJECT_BINARY_DIR}/data)
set(NORVEL_POSTAL_CSV ${NORVEL_POSTAL_DATA_DIR}/jp-postal-2022.csv)
if(NOT EXISTS ${NORVEL_POSTAL_CSV} OR ${NORVEL_POSTAL_ARCHIVE} IS_NEWER_THAN ${NORVEL_POSTAL_CSV})
  # TOUCH: the unpacked file is newer than the archive, so a later configure leaves it be.
  file(ARCHIVE_EXTRACT INPUT ${NORVEL_POSTAL_ARCHIVE} DESTINATION ${NORVEL_POSTAL_DATA_DIR} TOUCH)
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${NORVEL_POSTAL_ARCHIVE})
