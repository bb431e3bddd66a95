# Checks that the folders of src/ depend on each other one way only:
#   core <- statements <- vocabulary <- library <- tools
# A file may include files of its own folder and of the folders before it in
# that list, never of a later one. The public C header belongs to the
# library, and only the library's exports.cpp holds an extern "C" block.
# The tools (tools/) see the library through library/ and the vocabulary's
# tables alone: a tool that includes a header of core/ or statements/ fails.
# The preview host (preview/) is a tool's library beside the translator:
# nothing in src/ includes it, it includes nothing of tools/, and its own
# folders depend one way:
#   faults <- values <- canvas <- host <- parse <- interpreter <- svg <- preview/ itself
#   cmake -DSOURCE_DIR=<tree holding src/> -P check_layers.cmake
if(NOT DEFINED SOURCE_DIR)
  message(FATAL_ERROR "check_layers.cmake needs -DSOURCE_DIR=...")
endif()
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)
set(layers core statements vocabulary library)

function(layer_of folder out)
  if(folder STREQUAL "KelvoScriptparser.h")
    set(folder library)
  endif()
  list(FIND layers "${folder}" index)
  set(${out} ${index} PARENT_SCOPE)
endfunction()

set(faults "")
file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR}/src ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/src/*.cpp)
foreach(file IN LISTS files)
  string(REGEX MATCH "^[^/]+" folder "${file}")
  layer_of("${folder}" own)
  if(own EQUAL -1)
    list(APPEND faults "src/${file}: in no layer (${layers})")
    continue()
  endif()
  file(STRINGS ${SOURCE_DIR}/src/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[^\"]*\"([^\"/]+).*$" "\\1" target "${line}")
    layer_of("${target}" used)
    if(used GREATER own)
      list(APPEND faults "src/${file}: ${folder} includes ${target} (${line})")
    endif()
  endforeach()
  foreach(line IN LISTS includes)
    if(line MATCHES "\"preview/")
      list(APPEND faults "src/${file}: the translator includes the preview host (${line})")
    endif()
  endforeach()
  file(STRINGS ${SOURCE_DIR}/src/${file} c_blocks REGEX "extern[ \t]+\"C\"")
  if(c_blocks AND NOT file STREQUAL "library/exports.cpp")
    list(APPEND faults "src/${file}: an extern \"C\" block outside library/exports.cpp")
  endif()
endforeach()

# The tools: no internal of the translator.
file(GLOB_RECURSE tool_files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/tools/*.h ${SOURCE_DIR}/tools/*.cpp)
foreach(file IN LISTS tool_files)
  file(STRINGS ${SOURCE_DIR}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" target "${line}")
    if(target MATCHES "^(core|statements)/")
      string(REGEX MATCH "^[^/]+" folder "${target}")
      list(APPEND faults "${file}: tools includes ${folder} internal (${line}): use library/")
    endif()
  endforeach()
endforeach()

# The preview host: its folders one way, and nothing of tools/.
set(preview_layers faults values canvas host parse interpreter svg)
function(preview_layer_of path out)
  string(REGEX MATCH "^[^/]+/" folder "${path}")
  string(REGEX REPLACE "/$" "" folder "${folder}")
  list(FIND preview_layers "${folder}" index)
  if(index EQUAL -1)
    list(LENGTH preview_layers index)  # preview/ itself, above them all
  endif()
  set(${out} ${index} PARENT_SCOPE)
endfunction()
file(GLOB_RECURSE preview_files RELATIVE ${SOURCE_DIR}/preview ${SOURCE_DIR}/preview/*.h ${SOURCE_DIR}/preview/*.cpp)
foreach(file IN LISTS preview_files)
  preview_layer_of("${file}" own)
  file(STRINGS ${SOURCE_DIR}/preview/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" target "${line}")
    if(target MATCHES "^preview/")
      string(REGEX REPLACE "^preview/" "" inner "${target}")
      preview_layer_of("${inner}" used)
      if(used GREATER own)
        string(REGEX MATCH "^[^/]+" folder "${file}")
        string(REGEX MATCH "^[^/]+" used_folder "${inner}")
        list(APPEND faults "preview/${file}: preview ${folder} includes ${used_folder} (${line})")
      endif()
    elseif(target MATCHES "^tools/" OR target MATCHES "^kelvo/" OR target MATCHES "^lsp/")
      list(APPEND faults "preview/${file}: the preview host includes a tool (${line})")
    endif()
  endforeach()
endforeach()

list(LENGTH files count)
list(LENGTH tool_files tool_count)
list(LENGTH preview_files preview_count)
if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "dependencies that run the wrong way:\n  ${text}")
endif()
message(STATUS "${count} files of src/ include only their own layer and those below it; ${tool_count} files of tools/ no internal; "
  "${preview_count} files of preview/ only their own layer and those below it")
