# An include that climbs out of its folder ("../") would get round the
# layers' include roots: none may stand in any source of the tree.
#   cmake -DSOURCE_DIR=<tree> -P no_parent_includes.cmake
file(GLOB folders LIST_DIRECTORIES true RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*)
list(REMOVE_ITEM folders build)
set(found "")
foreach(folder ${folders})
  if(NOT IS_DIRECTORY ${SOURCE_DIR}/${folder} OR folder MATCHES "^\\.")
    continue()
  endif()
  file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
    ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.c)
  foreach(source ${sources})
    file(STRINGS ${SOURCE_DIR}/${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]\\.\\./")
    foreach(line ${lines})
      string(APPEND found "\n  ${source}: ${line}")
    endforeach()
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "includes through \"../\":${found}")
endif()
