# SPDX-License-Identifier: GPL-3.0-or-later
# The layers of the program, bottom to top. A layer's sources may include their own
# folder's headers and those of the layers below, nothing above: the link lines keep
# the libraries apart, and this check stops an include of a header from a higher layer
# (one that would compile only because every folder shares the source root) at configure
# time.
set(MOKURI_LAYERS support content media game session screens app)

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
