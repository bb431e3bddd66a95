# Checks that the folders of src/ depend on each other one way only:
#   core <- statements <- vocabulary <- library <- tools
# A file may include files of its own folder and of the folders before it in
# that list, never of a later one. The public C header belongs to the
# library, and only the library's exports.cpp holds an extern "C" block.
# The tools (tools/) see the library through library/ and the vocabulary's
# tables alone: a tool that includes a header of core/ or statements/ fails.
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

list(LENGTH files count)
list(LENGTH tool_files tool_count)
if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "dependencies that run the wrong way:\n  ${text}")
endif()
message(STATUS "${count} files of src/ include only their own layer and those below it; ${tool_count} files of tools/ no internal")
