# Holds every include of the sources to the layers' order:
#   cmake -DSRC_DIR=<src> -P check_layers.cmake
# Lists each include that reaches a folder its own folder may not include, each source in a
# folder the table does not cover, and each include that climbs out of its folder with "..",
# then fails if there was any. The libraries' links (each folder's CMakeLists.txt) follow the
# same order; this catches an include that compiles only because a header needs no linking.
if(NOT SRC_DIR)
  message(FATAL_ERROR "usage: cmake -DSRC_DIR=<src> -P check_layers.cmake")
endif()

# A file follows the row of the longest folder listed that contains it. From the bottom up:
# the base (exceptions, settings hive); media (demux, decode, DVD); audio: the pipeline, Layer III
# frames, loudness, the MP3 encoder, the FLAC and Opus encoders (xiph) and, on top, the rip
# engine; the core of the program; the
# desktop's services; pictures (cover art); the media graph and the preview built on it; the
# windows (their skin is plain widgets); the program body and command runners.
set(SONAVEL_LAYERS
  "base:           base"
  "media:          media base"
  "audio:          audio media base"
  "audio/pipeline: audio/pipeline media base"
  "audio/layer3:   audio/layer3 media base"
  "audio/loudness: audio/loudness audio/pipeline media base"
  "audio/mp3:      audio/mp3 audio/layer3 audio/loudness audio/pipeline media base"
  "audio/xiph:     audio/xiph audio/pipeline media base"
  "audio/rip:      audio/rip audio/xiph audio/mp3 audio/layer3 audio/loudness audio/pipeline media base"
  "app:            app audio media base"
  "desktop:        desktop app base"
  "picture:        picture media base"
  "mediagraph:     mediagraph media base"
  "preview:        preview mediagraph media base"
  "ui/skin:        ui/skin base"
  "ui/dialogs:     ui/dialogs ui/skin desktop picture app audio media base"
  "ui/main:        ui desktop preview mediagraph picture app audio media base"
  "program:        program ui desktop preview mediagraph picture app audio media base")

# sonavel_layer_rule(FOLDER OUT_KEY OUT_ALLOWED): the listed folder that governs FOLDER (a
# path relative to src/) and the folders it may include; OUT_KEY is empty when none does.
function(sonavel_layer_rule folder out_key out_allowed)
  set(best "")
  set(best_allowed "")
  foreach(rule IN LISTS SONAVEL_LAYERS)
    string(REGEX REPLACE ":.*" "" key "${rule}")
    string(REGEX REPLACE "^[^:]*:[ ]*" "" allowed "${rule}")
    string(LENGTH "${key}" key_length)
    string(LENGTH "${best}" best_length)
    if((folder STREQUAL key OR folder MATCHES "^${key}/") AND key_length GREATER best_length)
      set(best "${key}")
      string(REGEX REPLACE "[ ]+" ";" best_allowed "${allowed}")
    endif()
  endforeach()
  set(${out_key} "${best}" PARENT_SCOPE)
  set(${out_allowed} "${best_allowed}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE sources RELATIVE ${SRC_DIR} ${SRC_DIR}/*.h ${SRC_DIR}/*.hpp ${SRC_DIR}/*.cpp)
list(SORT sources)
set(faults "")
set(checked 0)
foreach(source IN LISTS sources)
  get_filename_component(folder ${source} DIRECTORY)
  sonavel_layer_rule("${folder}" key allowed)
  if(key STREQUAL "")
    list(APPEND faults "${source}: the folder '${folder}' has no row in cmake/check_layers.cmake")
    continue()
  endif()
  file(STRINGS ${SRC_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*" "\\1" header "${line}")
    if(header MATCHES "(^|/)\\.\\.(/|$)")
      list(APPEND faults "${source}: includes '${header}' by a relative path")
      continue()
    endif()
    # Only the program's own headers count; a bare name is the source's own folder.
    if(NOT header MATCHES "/" OR NOT EXISTS ${SRC_DIR}/${header})
      continue()
    endif()
    math(EXPR checked "${checked} + 1")
    get_filename_component(target ${header} DIRECTORY)
    set(ok FALSE)
    foreach(other IN LISTS allowed)
      if(target STREQUAL other OR target MATCHES "^${other}/")
        set(ok TRUE)
        break()
      endif()
    endforeach()
    if(NOT ok)
      list(JOIN allowed " " allowed_text)
      list(APPEND faults "${source}: includes '${header}', but '${key}' may include only: ${allowed_text}")
    endif()
  endforeach()
endforeach()

list(LENGTH sources count)
if(faults)
  list(LENGTH faults fault_count)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "${fault_count} include(s) break the layers:\n  ${text}")
endif()
message(STATUS "${count} sources, ${checked} includes of the program's own headers: all within their layers")
