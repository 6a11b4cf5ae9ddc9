# Writes beamctl's man page from the program itself: help2man turns the text of
# `beamctl --help` and `beamctl --version` into roff, the help's "Exit status:"
# becomes the EXIT STATUS section, and the page is compressed as Debian keeps
# man pages. Run as: cmake -DHELP2MAN=... -DGZIP=... -DPROGRAM=... -DOUTPUT=x.1.gz -P ManPage.cmake
string(REGEX REPLACE "\\.gz$" "" page "${OUTPUT}")
execute_process(
  COMMAND ${HELP2MAN} --no-info --section=1 --name=control\ network\ projectors\ from\ a\ script\ or\ a\ shell
          --output=${page} ${PROGRAM}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "help2man failed on ${PROGRAM}")
endif()
file(READ ${page} roff)
string(REPLACE ".SS \"Exit status:\"" ".SH \"EXIT STATUS\"" roff "${roff}")
if(NOT roff MATCHES "\n\\.SH \"EXIT STATUS\"\n")
  message(FATAL_ERROR "beamctl --help has no 'Exit status:' section for the man page")
endif()
file(WRITE ${page} "${roff}")
execute_process(COMMAND ${GZIP} -9 -n -f ${page} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "gzip failed on ${page}")
endif()
