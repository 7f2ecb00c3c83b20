# Layers that only point down.
#
# Sources include each other from the top of the tree ("recorder/recorder.h"),
# but no target sees the whole tree: each one gets an include folder of its
# own in the build tree that holds links to just the folders (or single
# files) it owns, under their own names. A target links the layers below it
# and so sees their folders too, and nothing above: an include of a higher
# layer's header is a missing file, and the build stops there.
#
# From the bottom up:
#   platform        the interfaces in platform/*.h (no implementation)
#   platform_shared texts shared by the kernels: platform/shared
#   state           RecorderState, result codes, event sinks: state/
#   panel_view      the panel's texts, buttons and path: panel_view/
#   recorder        recording, playback, the clock: recorder/
#   upload          request, transfer, proxy, RunUpload: upload/
#   panel           the panel's message map: panel/
#   control         RecorderControl: control/
#   module          the COM module (Windows): module/
# The platform implementations (platform/memory, posix, win32) sit on the
# interfaces; hosts, tools and tests sit on top of everything.

# tamborix_expose(<target> <folder or file>...): the folders and files, given
# relative to the source tree, that <target> and whatever links it may
# include.
function(tamborix_expose target)
  set(root ${CMAKE_BINARY_DIR}/layers/${target})
  foreach(item ${ARGN})
    get_filename_component(parent ${root}/${item} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    if(NOT EXISTS ${root}/${item})
      file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${item} ${root}/${item} SYMBOLIC)
    endif()
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()

# tamborix_layer(<name> <folder> [BELOW <target>...]): the static library
# tamborix_<name> of every .cc file in <folder>, exposing <folder> and
# linking the layers it builds on.
function(tamborix_layer name folder)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "BELOW")
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cc)
  add_library(tamborix_${name} STATIC ${sources})
  tamborix_expose(tamborix_${name} ${folder})
  target_link_libraries(tamborix_${name} PUBLIC ${arg_BELOW})
endfunction()
