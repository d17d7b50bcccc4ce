# README.TXT of the program folder, made at output from
# packaging/README.TXT.in. The sections on the word-list tool speak of the
# system the program is built for: packaging/README-tool-windows.txt on
# Windows (the command prompt, wypelniak-slownik.exe beside the program),
# packaging/README-tool-linux.txt elsewhere.
#
# The file is UTF-8 with a byte order mark and CR LF line ends: Windows
# Notepad then reads it as UTF-8 (without the mark it may guess the ANSI code
# page), and Linux viewers and editors read it as UTF-8 with Windows line
# ends, so the Polish letters show correctly on both.
function(wypelniak_readme output)
  if(WIN32)
    set(tool ${PROJECT_SOURCE_DIR}/packaging/README-tool-windows.txt)
  else()
    set(tool ${PROJECT_SOURCE_DIR}/packaging/README-tool-linux.txt)
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${tool})
  file(READ ${tool} WYPELNIAK_README_TOOL)
  # configure_file sets the line ends of the template's own lines only.
  string(REPLACE "\n" "\r\n" WYPELNIAK_README_TOOL "${WYPELNIAK_README_TOOL}")
  string(ASCII 239 187 191 UTF8_BOM)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/README.TXT.in ${output} @ONLY NEWLINE_STYLE CRLF)
endfunction()
