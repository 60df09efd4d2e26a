# Debian's hardening for an optimised build of the programs (what lintian looks for in the
# package): fortified C library calls, stack protection, relocations read-only and bound at
# start. The tests' own code is built at -O0, where _FORTIFY_SOURCE cannot work: tests/
# undefines it. Not with the sanitizers, which check the same calls their own way.
option(NORVEL_HARDENING "Build with Debian's hardening flags" ON)
if(NORVEL_HARDENING AND NOT WIN32 AND NOT NORVEL_SANITIZE AND NOT NORVEL_FUZZ)
  add_compile_options($<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-D_FORTIFY_SOURCE=2>
                      -fstack-protector-strong -fstack-clash-protection)
  add_link_options(LINKER:-z,relro LINKER:-z,now)
endif()
