# Cross-building the Windows programs on Debian with mingw-w64 (posix threads: std::thread and
# std::mutex need them). The static dependencies scripts/windows-deps.sh builds live under
# NORVEL_WINDOWS_DEPS; Wine runs the tests. Included by mingw-w64-x86_64.cmake and
# mingw-w64-i686.cmake, which name the processor.
set(CMAKE_SYSTEM_NAME Windows)

set(triplet ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${triplet}-windres)

if(NOT NORVEL_WINDOWS_DEPS AND DEFINED ENV{NORVEL_WINDOWS_DEPS})
  set(NORVEL_WINDOWS_DEPS $ENV{NORVEL_WINDOWS_DEPS})
endif()
set(NORVEL_WINDOWS_DEPS "${NORVEL_WINDOWS_DEPS}" CACHE PATH "Prefix of the cross-built static dependencies")
# try_compile projects see the prefix too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES NORVEL_WINDOWS_DEPS)

set(CMAKE_FIND_ROOT_PATH /usr/${triplet} ${NORVEL_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config reads the cross prefix's .pc files only, never the host's.
set(ENV{PKG_CONFIG_LIBDIR} "${NORVEL_WINDOWS_DEPS}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

# The programs run from any folder without DLLs beside them (cmake/NorvelWindows.cmake finds
# static archives only); the C++ and winpthread runtimes are linked in too: -static, and a link line
# that ends in static mode, or they come back as DLLs behind CMake's closing -Bdynamic.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_LINK_SEARCH_START_STATIC ON)
set(CMAKE_LINK_SEARCH_END_STATIC ON)

find_program(NORVEL_WINE wine)
if(NORVEL_WINE)
  # Through a script that starts a program again when Wine failed to start it at all.
  cmake_path(ABSOLUTE_PATH CMAKE_CURRENT_LIST_DIR NORMALIZE OUTPUT_VARIABLE norvel_toolchain_dir)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      /usr/bin/env NORVEL_WINE=${NORVEL_WINE} bash ${norvel_toolchain_dir}/../../scripts/wine-run.sh)
endif()
