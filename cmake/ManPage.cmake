# Makes a program's manual page from its own --help and --version with help2man, so that the two never
# say different things. The help's "Exit status:" heading, which help2man does not know, becomes the
# page's EXIT STATUS section.
# Usage: cmake -DHELP2MAN=path -DPROGRAM=path -DNAME="one line" -DOUTPUT=page.1 -P ManPage.cmake
execute_process(COMMAND "${HELP2MAN}" --no-info --no-discard-stderr --name "${NAME}" "${PROGRAM}"
  OUTPUT_VARIABLE page RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "help2man ${PROGRAM}: ${errors}")
endif()
string(REPLACE ".SS \"Exit status:\"" ".SH \"EXIT STATUS\"" page "${page}")
file(WRITE "${OUTPUT}" "${page}")
