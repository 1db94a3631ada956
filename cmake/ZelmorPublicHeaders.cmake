# The headers hosts get, gathered into one tree under zelmor/: the umbrella
# header, the loader and every header they reach, each include rewritten to
# its place there ("components/ib_database.h" becomes
# "zelmor/components/ib_database.h"). So an installed copy needs nothing on a
# host's include path but the prefix's include folder, and its folders clash
# with no other package's. A header that reaches the private ones (the
# client binding's ibase.h, the OS layer) stops the configure.
#
# zelmor_public_headers(<folder> <header>...): writes the tree into <folder>.
function(zelmor_public_headers folder)
  set(pending ${ARGN})
  set(done "")
  while(pending)
    list(POP_FRONT pending relative)
    if(relative IN_LIST done)
      continue()
    endif()
    list(APPEND done ${relative})
    # A name resolves against include/ first, then the source root.
    if(EXISTS ${CMAKE_SOURCE_DIR}/include/${relative})
      set(source ${CMAKE_SOURCE_DIR}/include/${relative})
    elseif(EXISTS ${CMAKE_SOURCE_DIR}/${relative})
      set(source ${CMAKE_SOURCE_DIR}/${relative})
    else()
      message(FATAL_ERROR "public header ${relative} not found")
    endif()
    file(READ ${source} text)
    if(text MATCHES "#include [<\"](ibase\\.h|platform/[^>\"]*)[>\"]")
      message(FATAL_ERROR "public header ${relative} includes the private ${CMAKE_MATCH_1}")
    endif()
    string(REGEX MATCHALL "#include \"[^\"]+\"" includes "${text}")
    foreach(line ${includes})
      string(REGEX REPLACE "#include \"([^\"]+)\"" "\\1" included "${line}")
      list(APPEND pending ${included})
    endforeach()
    # zelmor/… stays; every other quoted include moves under zelmor/.
    string(REGEX REPLACE "#include \"(zelmor/)?([^\"]+)\"" "#include \"zelmor/\\2\"" text "${text}")
    string(REGEX REPLACE "^zelmor/" "" target "${relative}")
    # Written only when changed, so that a configure rebuilds nothing.
    set(output ${folder}/zelmor/${target})
    set(old "")
    if(EXISTS ${output})
      file(READ ${output} old)
    endif()
    if(NOT old STREQUAL text)
      file(WRITE ${output} "${text}")
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  endwhile()
endfunction()
