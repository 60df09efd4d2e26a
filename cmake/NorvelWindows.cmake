# Windows builds (mingw-w64, cmake/toolchains/mingw-w64-x86_64.cmake), included before the
# libraries are looked for.

# Static archives only, never a DLL's import library (libz.dll.a): the programs run from any
# folder without DLLs beside them. Set here, as the platform's defaults replace the toolchain's.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
#
# Every program carries a manifest that makes UTF-8 its ANSI code page (Windows 10 1903 and
# later, and Wine): the platform layer uses the wide calls, but the C runtime's narrow calls
# (fopen, std::ifstream, open) in libraries and tests then take the core's UTF-8 names as well.
# The resource is compiled once at configure time and linked into every executable but the
# window, whose manifest (with the common controls and DPI awareness) is its own.
set(norvel_manifest_object ${CMAKE_BINARY_DIR}/utf8_manifest.o)
execute_process(
  COMMAND ${CMAKE_RC_COMPILER} -O coff -i ${CMAKE_CURRENT_LIST_DIR}/windows/utf8_manifest.rc
          -o ${norvel_manifest_object}
  WORKING_DIRECTORY ${CMAKE_CURRENT_LIST_DIR}/windows
  RESULT_VARIABLE norvel_manifest_result)
if(NOT norvel_manifest_result EQUAL 0)
  message(FATAL_ERROR "windres could not compile the UTF-8 manifest")
endif()
add_link_options("$<$<NOT:$<BOOL:$<TARGET_PROPERTY:NORVEL_OWN_MANIFEST>>>:${norvel_manifest_object}>")

# The platform layer calls the wide (…W) functions by name; no min/max macros in the way of
# std::min; Windows 10's API.
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)

# The tests are listed when ctest runs, under Wine, not while building.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
