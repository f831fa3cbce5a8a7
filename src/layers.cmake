# Which folder of src/ may include headers from which folders. A file follows the rule of
# the longest folder listed that contains it; every folder of src/ must fall under one.
# The first part of a folder names its library (sonavel_<part>): the libraries' links are
# the union of their folders' rules, and each library exposes its own folder alone, so an
# include across a missing link does not find its header. cmake/check_layers.cmake holds
# every include of src/ to this table (the layer_includes test).
#
# From the bottom up: the platform (exception base, settings hive, shell, the media
# stand-ins); the audio pipeline and the preview playback on it; the core of the program
# (globals, settings, common helpers, output settings); the windows, whose skin is plain
# widgets; the program body and its command runners.
set(SONAVEL_LAYERS
  "platform:   platform"
  "audio:      audio platform"
  "playback:   playback platform"
  "app:        app audio platform"
  "ui/skin:    ui/skin"
  "ui/dialogs: ui/dialogs ui/skin app platform"
  "ui/main:    ui app audio playback platform"
  "program:    program ui app audio playback platform")

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

# sonavel_layer_libraries(OUT): the libraries bottom-up, as the table lists them.
function(sonavel_layer_libraries out)
  set(libraries "")
  foreach(rule IN LISTS SONAVEL_LAYERS)
    string(REGEX REPLACE "[/:].*" "" library "${rule}")
    list(APPEND libraries ${library})
  endforeach()
  list(REMOVE_DUPLICATES libraries)
  set(${out} "${libraries}" PARENT_SCOPE)
endfunction()

# sonavel_layer_links(LIBRARY OUT): the other libraries LIBRARY's folders may include.
function(sonavel_layer_links library out)
  set(links "")
  foreach(rule IN LISTS SONAVEL_LAYERS)
    if(rule MATCHES "^${library}[/:]")
      string(REGEX REPLACE "^[^:]*:[ ]*" "" allowed "${rule}")
      string(REGEX REPLACE "[ ]+" ";" allowed "${allowed}")
      foreach(folder IN LISTS allowed)
        string(REGEX REPLACE "/.*" "" other "${folder}")
        if(NOT other STREQUAL library)
          list(APPEND links ${other})
        endif()
      endforeach()
    endif()
  endforeach()
  list(REMOVE_DUPLICATES links)
  set(${out} "${links}" PARENT_SCOPE)
endfunction()

# sonavel_link_layers(TARGET SOURCES...): links TARGET with the library of every layer the
# sources (and the headers beside them) include from, and nothing more, so a tool or test of a low layer also proves at
# link time that the layer stands without the ones above it.
function(sonavel_link_layers target)
  sonavel_layer_libraries(libraries)
  # The headers beside the sources count too.
  set(files ${ARGN})
  foreach(source IN LISTS ARGN)
    get_filename_component(folder ${source} DIRECTORY)
    file(GLOB headers ${folder}/*.h)
    list(APPEND files ${headers})
  endforeach()
  list(REMOVE_DUPLICATES files)
  set(links "")
  foreach(source IN LISTS files)
    file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"[a-z_]+/")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([a-z_]+)/.*" "\\1" first "${line}")
      if(first IN_LIST libraries)
        list(APPEND links sonavel_${first})
      endif()
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES links)
  target_link_libraries(${target} PRIVATE ${links})
endfunction()
