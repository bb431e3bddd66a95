# Checks that the parts of the tree depend on each other one way only:
#   core <- statements <- vocabulary <- library <- the tools
# A file of src/ may include files of its own folder and of the folders
# before it in that list, never of a later one. The public C header belongs
# to the library, and only the library's exports.cpp holds an extern "C"
# block.
#
# The tools (tools/ and web/wasm/) see the translator through library/, the
# vocabulary's tables and the few headers of core/ that make up what a tool
# is told (the listener and the reports, a keyword's row, the text's
# characters, the operator words). Includes are followed through every
# header the tools may use: a tool that reaches any other header of src/,
# directly or through the headers it includes, fails with the chain.
#
# The preview host (preview/) is a tool's library beside the translator:
# nothing in src/ includes it, it includes nothing of tools/, and its own
# folders depend one way:
#   faults <- values <- canvas <- host <- parse <- interpreter <- svg <- preview/ itself <- linked
# Only linked/, which links a run to the source it was translated from, sees
# the translator, and that as a tool does (through library/).
#   cmake -DSOURCE_DIR=<tree holding src/> -P check_layers.cmake
cmake_policy(SET CMP0057 NEW)  # IN_LIST
if(NOT DEFINED SOURCE_DIR)
  message(FATAL_ERROR "check_layers.cmake needs -DSOURCE_DIR=...")
endif()
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)
set(layers core statements vocabulary library)
set(tool_headers_of_core core/listener.h core/report.h core/keyword_row.h core/utf8.h core/operator_words.h)
set(tool_headers_of_vocabulary vocabulary/keywords.h vocabulary/constants.h)

function(layer_of folder out)
  if(folder STREQUAL "KelvoScriptparser.h")
    set(folder library)
  endif()
  list(FIND layers "${folder}" index)
  set(${out} ${index} PARENT_SCOPE)
endfunction()

# The quoted includes of a file.
function(includes_of path out)
  file(STRINGS ${path} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  set(names "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" name "${line}")
    list(APPEND names "${name}")
  endforeach()
  set(${out} "${names}" PARENT_SCOPE)
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
  includes_of(${SOURCE_DIR}/src/${file} names)
  foreach(name IN LISTS names)
    string(REGEX REPLACE "^([^/]+).*$" "\\1" target "${name}")
    layer_of("${target}" used)
    if(used GREATER own)
      list(APPEND faults "src/${file}: ${folder} includes ${target} (#include \"${name}\")")
    endif()
  endforeach()
  foreach(name IN LISTS names)
    if(name MATCHES "^preview/")
      list(APPEND faults "src/${file}: the translator includes the preview host (#include \"${name}\")")
    endif()
  endforeach()
  file(STRINGS ${SOURCE_DIR}/src/${file} c_blocks REGEX "extern[ \t]+\"C\"")
  if(c_blocks AND NOT file STREQUAL "library/exports.cpp")
    list(APPEND faults "src/${file}: an extern \"C\" block outside library/exports.cpp")
  endif()
endforeach()

# Where an include of a tool's file stands: beside the file, among the
# tool's own folders, or in src/ (a path relative to SOURCE_DIR), or nothing.
function(resolve includer name out)
  get_filename_component(dir ${includer} DIRECTORY)
  foreach(base IN ITEMS ${dir} tools/kelvo src)
    if(EXISTS ${SOURCE_DIR}/${base}/${name})
      file(RELATIVE_PATH found ${SOURCE_DIR} ${SOURCE_DIR}/${base}/${name})
      set(${out} ${found} PARENT_SCOPE)
      return()
    endif()
  endforeach()
  set(${out} "" PARENT_SCOPE)
endfunction()

# Whether a header of src/ is one the tools may see.
function(tool_may_see path out)
  string(REGEX REPLACE "^src/" "" name "${path}")
  set(allowed OFF)
  if(name MATCHES "^library/" OR name IN_LIST tool_headers_of_core OR name IN_LIST tool_headers_of_vocabulary)
    set(allowed ON)
  endif()
  set(${out} ${allowed} PARENT_SCOPE)
endfunction()

# Follows the includes of one tool's file through every header it reaches,
# breadth first; a header of src/ that the tools may not see ends the chain.
function(check_tool_file file out)
  set(queue ${file})
  set(seen ${file})
  set(found "")
  set(chain_${file} ${file})
  while(queue)
    list(POP_FRONT queue current)
    includes_of(${SOURCE_DIR}/${current} names)
    foreach(name IN LISTS names)
      resolve(${current} "${name}" path)
      if(path STREQUAL "" OR path IN_LIST seen)
        continue()
      endif()
      list(APPEND seen ${path})
      set(chain_${path} "${chain_${current}} -> ${path}")
      if(path MATCHES "^src/")
        tool_may_see(${path} allowed)
        if(NOT allowed)
          string(REGEX MATCH "^src/([^/]+)" folder "${path}")
          list(APPEND found "${file}: tools includes ${CMAKE_MATCH_1} internal ${path} (${chain_${path}}): use library/")
          continue()
        endif()
        if(NOT path MATCHES "\\.h$")
          continue()
        endif()
      endif()
      list(APPEND queue ${path})
    endforeach()
  endwhile()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE tool_files RELATIVE ${SOURCE_DIR}
  ${SOURCE_DIR}/tools/*.h ${SOURCE_DIR}/tools/*.cpp ${SOURCE_DIR}/web/wasm/*.h ${SOURCE_DIR}/web/wasm/*.cpp
  ${SOURCE_DIR}/preview/linked/*.h ${SOURCE_DIR}/preview/linked/*.cpp)
foreach(file IN LISTS tool_files)
  check_tool_file(${file} found)
  list(APPEND faults ${found})
endforeach()

# The preview host: its folders one way, and nothing of tools/.
set(preview_layers faults values canvas host parse interpreter svg . linked)
function(preview_layer_of path out)
  string(REGEX MATCH "^[^/]+/" folder "${path}")
  string(REGEX REPLACE "/$" "" folder "${folder}")
  if(folder STREQUAL "")
    set(folder .)  # preview/ itself
  endif()
  list(FIND preview_layers "${folder}" index)
  if(index EQUAL -1)
    list(FIND preview_layers . index)  # a folder of no layer counts as preview/ itself
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
    elseif(NOT file MATCHES "^linked/" AND EXISTS ${SOURCE_DIR}/src/${target})
      list(APPEND faults "preview/${file}: the preview host outside linked/ includes the translator (${line})")
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
message(STATUS "${count} files of src/ include only their own layer and those below it; "
  "${tool_count} files of tools/, web/wasm/ and preview/linked/ reach no internal of the translator; "
  "${preview_count} files of preview/ only their own layer and those below it")
