# What the programs say about themselves, from one place: the version of the top-level project(),
# the desktop application id, the folders of an installed copy (as generated headers), the licence.
include(GNUInstallDirs)

set(NORVEL_APP_ID "io.github.norvel.Norvel"
    CACHE STRING "Reverse-DNS id of the desktop entry and the AppStream component")
# The date of the release PROJECT_VERSION names (AppStream and the Debian changelog).
set(NORVEL_RELEASE_DATE "2026-12-07")

set(NORVEL_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/norvel_version.h.in
               ${NORVEL_GENERATED_DIR}/norvel_version.h @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/norvel_install_dirs.h.in
               ${NORVEL_GENERATED_DIR}/norvel_install_dirs.h @ONLY)

# Link this to use #include "norvel_version.h" / "norvel_install_dirs.h".
add_library(norvel_build_info INTERFACE)
target_include_directories(norvel_build_info INTERFACE ${NORVEL_GENERATED_DIR})

# The licence, as an SPDX expression (AppStream, the Debian copyright file) and its text.
set(NORVEL_COPYRIGHT "2026 The Norvel developers")
set(NORVEL_LICENSE "LicenseRef-proprietary")
set(NORVEL_LICENSE_TEXT " All rights reserved.")
