# cmake -P: the texts of one program's sources as a message template, through xgettext.
# In: XGETTEXT, DOMAIN, VERSION, SOURCE_DIR (its *.cpp and *.h are read), OUTPUT (the .pot).
#
# No file positions and no creation date: the template changes only when a text does.
file(GLOB sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.cpp ${SOURCE_DIR}/*.h)
list(SORT sources)
execute_process(
  COMMAND ${XGETTEXT} --language=C++ --from-code=UTF-8 --keyword=tr:1 --keyword=trn:1,2
          --add-comments=TRANSLATORS: --no-location --sort-output --package-name=${DOMAIN}
          --package-version=${VERSION}
          "--copyright-holder=The Norvel developers" --output=- ${sources}
  WORKING_DIRECTORY ${SOURCE_DIR}
  RESULT_VARIABLE status
  OUTPUT_VARIABLE template)
if(NOT status STREQUAL "0")
  message(FATAL_ERROR "xgettext failed on ${SOURCE_DIR}")
endif()
string(REGEX REPLACE "\"POT-Creation-Date: [^\"]*\"\n" "" template "${template}")
file(WRITE ${OUTPUT} "${template}")
