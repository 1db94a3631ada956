# The linker's export lists, written from the one list of the exports: the
# ZELMOR_EXPORTS macro of include/zelmor/exports.h. On Linux a version script
# (the names global, all else local); on Windows a .def whose undecorated
# names the linker matches to the __stdcall symbols (--enable-stdcall-fixup),
# so that no argument size is written by hand either.
#
# zelmor_export_files(<folder>): writes <folder>/exports.map and
# <folder>/zelmor.def; a change to the header configures again.
function(zelmor_export_files folder)
  set(header ${CMAKE_SOURCE_DIR}/include/zelmor/exports.h)
  file(READ ${header} text)
  string(FIND "${text}" "#define ZELMOR_EXPORTS(X)" start)
  if(start EQUAL -1)
    message(FATAL_ERROR "${header} defines no ZELMOR_EXPORTS(X)")
  endif()
  string(SUBSTRING "${text}" ${start} -1 text)
  # The macro runs to its first line that does not end in a backslash.
  string(REGEX MATCH "([^\n]*\\\\\n)*[^\n]*" macro "${text}")
  string(REGEX MATCHALL "X\\([A-Za-z_][A-Za-z_0-9]*\\)" entries "${macro}")
  if(NOT entries)
    message(FATAL_ERROR "ZELMOR_EXPORTS in ${header} lists no name")
  endif()
  set(ZELMOR_MAP_NAMES "")
  set(ZELMOR_DEF_NAMES "")
  foreach(entry ${entries})
    string(REGEX REPLACE "X\\((.*)\\)" "\\1" name "${entry}")
    string(APPEND ZELMOR_MAP_NAMES "    ${name};\n")
    string(APPEND ZELMOR_DEF_NAMES "  ${name}\n")
  endforeach()
  # configure_file writes only what changed, so a configure relinks nothing.
  configure_file(${CMAKE_SOURCE_DIR}/library/exports.map.in ${folder}/exports.map @ONLY)
  configure_file(${CMAKE_SOURCE_DIR}/library/zelmor.def.in ${folder}/zelmor.def @ONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${header})
endfunction()
