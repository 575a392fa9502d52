# Fails when a file includes a header of a layer above its own, so that dependencies keep running
# one way: runtime <- db <- forms and runtime <- gui <- forms <- app in the tool; engine <- tds <-
# tls <- server in taskstore, and its T-SQL engine by stage on engine and store: sql/errors <-
# sql/parse <- sql/translate <- sql/session and sql/errors <- sql/functions <- sql/translate;
# common below both.
#   cmake -DROOT=<source tree> -P CheckLayers.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT ROOT)
  message(FATAL_ERROR "pass -DROOT=<source tree>")
endif()

# Each layer folder and the folders it may include besides itself.
set(layers
  "common:"
  "runtime:common"
  "db:runtime common"
  "gui:runtime common"
  "forms:gui db runtime common"
  "app:forms gui db runtime common"
  "taskstore/engine:common"
  "taskstore/store:common"
  "taskstore/sql/errors:taskstore/engine common"
  "taskstore/sql/parse:taskstore/sql/errors taskstore/engine common"
  "taskstore/sql/functions:taskstore/sql/errors taskstore/store taskstore/engine common"
  "taskstore/sql/translate:taskstore/sql/parse taskstore/sql/functions taskstore/sql/errors taskstore/store taskstore/engine common"
  "taskstore/sql/session:taskstore/sql/translate taskstore/sql/parse taskstore/sql/functions taskstore/sql/errors taskstore/store taskstore/engine common"
  "taskstore/tds:taskstore/engine common"
  "taskstore/tls:taskstore/tds taskstore/engine common"
  "taskstore/server:taskstore/tls taskstore/tds taskstore/engine common"
  "taskstore:taskstore/server taskstore/tls taskstore/tds taskstore/sql/session taskstore/store taskstore/engine common"
)
# Above every layer: nothing of the product may include them.
set(known tests bench)
foreach(entry IN LISTS layers)
  string(REGEX REPLACE ":.*" "" folder "${entry}")
  list(APPEND known ${folder})
endforeach()

# The layer a path belongs to: the longest known folder it lies in, or empty.
function(owner_of path result)
  set(best "")
  foreach(folder IN LISTS known)
    string(LENGTH "${folder}" length)
    string(LENGTH "${best}" bestLength)
    if(path MATCHES "^${folder}/" AND length GREATER bestLength)
      set(best ${folder})
    endif()
  endforeach()
  set(${result} "${best}" PARENT_SCOPE)
endfunction()

set(violations "")
foreach(entry IN LISTS layers)
  string(REGEX REPLACE ":.*" "" layer "${entry}")
  string(REGEX REPLACE "^[^:]*:" "" allowed "${entry}")
  separate_arguments(allowed)
  file(GLOB_RECURSE sources RELATIVE ${ROOT} ${ROOT}/${layer}/*.h ${ROOT}/${layer}/*.cpp)
  foreach(source IN LISTS sources)
    owner_of(${source} sourceLayer)
    if(NOT sourceLayer STREQUAL layer)
      continue()  # a file of a layer folder below this one
    endif()
    file(STRINGS ${ROOT}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*" "\\1" included "${line}")
      owner_of(${included} includedLayer)
      if(includedLayer STREQUAL "" OR includedLayer STREQUAL layer OR includedLayer IN_LIST allowed)
        continue()
      endif()
      string(APPEND violations "\n  ${source} includes ${included}")
    endforeach()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "A layer includes one above it:${violations}")
endif()
message(STATUS "Every include points to the same layer or a lower one.")
