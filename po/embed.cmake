# cmake -P: a catalog's text as a C++ source, for the builds without gettext that carry their
# translations inside the program. In: INPUT (a .po file), OUTPUT (the .cpp), SYMBOL.
file(READ ${INPUT} text)
string(FIND "${text}" ")po\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} holds the raw string's end marker )po\"")
endif()
file(WRITE ${OUTPUT}.new "// Generated from ${INPUT} by po/embed.cmake.\n"
                         "extern \"C\" const char ${SYMBOL}[] = R\"po(${text})po\";\n")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
