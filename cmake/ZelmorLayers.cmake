# zelmor_layer(<folder> [TARGET <target>] [USES <folder>...])
#
# Makes <folder> a layer: its target (an OBJECT library zelmor_<folder>
# unless TARGET names an existing one) publishes an include root in the
# build tree that holds one link, <root>/<folder> -> the source folder, so
# that "#include \"<folder>/x.h\"" finds the folder's own headers and those
# of the layers it uses (their roots come through the links), and nothing
# else: no target has the source root on its include path.
set(ZELMOR_LAYERS_DIR ${CMAKE_BINARY_DIR}/layers)

function(zelmor_layer folder)
  cmake_parse_arguments(ARG "" "TARGET" "USES" ${ARGN})
  if(NOT ARG_TARGET)
    set(ARG_TARGET zelmor_${folder})
    add_library(${ARG_TARGET} OBJECT)
  endif()
  set(root ${ZELMOR_LAYERS_DIR}/${folder})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  target_include_directories(${ARG_TARGET} PUBLIC $<BUILD_INTERFACE:${root}>)
  foreach(used ${ARG_USES})
    target_link_libraries(${ARG_TARGET} PUBLIC zelmor_${used})
  endforeach()
endfunction()
