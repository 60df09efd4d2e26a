# The 32-bit Windows programs: they reach the Jet driver every Windows ships and a 32-bit
# Office's Access and Excel drivers.
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
