# SPDX-License-Identifier: GPL-3.0-or-later
# The layers of the program, bottom to top. A layer's sources may include their own
# folder's headers and those of the layers below, nothing above: the link lines keep
# the libraries apart, and this check stops an include of a header from a higher layer
# (one that would compile only because every folder shares the source root) at configure
# time.
set(MOKURI_LAYERS support content media pictures game session screens app)

function(mokuri_check_layer folder)
  list(FIND MOKURI_LAYERS ${folder} level)
  if(level LESS 0)
    message(FATAL_ERROR "${folder} is not a layer")
  endif()
  file(GLOB_RECURSE files ${CMAKE_CURRENT_LIST_DIR}/../${folder}/*.h ${CMAKE_CURRENT_LIST_DIR}/../${folder}/*.cpp)
  foreach(f ${files})
    file(STRINGS ${f} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[a-z]+/")
    foreach(line ${includes})
      string(REGEX REPLACE "^[^\"]*\"([a-z]+)/.*$" "\\1" used "${line}")
      list(FIND MOKURI_LAYERS ${used} usedLevel)
      if(usedLevel GREATER level)
        message(FATAL_ERROR "${f}: the ${folder} layer may not include ${used}/ (a layer above it)")
      endif()
    endforeach()
  endforeach()
endfunction()

# The helper programs of tools/ stand beside the game, not on top of it: they may use the
# layers that hold values, media and pictures, never the engine, the session, the screens
# or the game's start-up.
function(mokuri_check_tool_includes folder)
  set(allowed support content media pictures tools)
  file(GLOB_RECURSE files ${CMAKE_CURRENT_LIST_DIR}/../${folder}/*.h ${CMAKE_CURRENT_LIST_DIR}/../${folder}/*.cpp)
  foreach(f ${files})
    file(STRINGS ${f} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[a-z]+/")
    foreach(line ${includes})
      string(REGEX REPLACE "^[^\"]*\"([a-z]+)/.*$" "\\1" used "${line}")
      list(FIND allowed ${used} ok)
      if(ok LESS 0)
        message(FATAL_ERROR "${f}: a tool may not include ${used}/ (only ${allowed})")
      endif()
    endforeach()
  endforeach()
endfunction()
