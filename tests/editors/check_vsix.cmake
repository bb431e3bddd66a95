# Looks into kelvo.vsix: exactly the files of the list below; the grammar,
# the language configuration and the language server's module as they are
# in the source and WebAssembly build; the manifest's entries, without the
# packages that the bundles carry inside; the desktop bundle asks the system
# for nothing but Node.js's own modules and the editor, the web bundle for
# nothing but the editor; and the package says it runs on the desktop and
# on the web, under the project's version.
#   cmake -DVSIX=.. -DWORK_DIR=.. -DSOURCE_DIR=.. -DWASM_DIR=.. -DVERSION=1.0.0 -P check_vsix.cmake
cmake_minimum_required(VERSION 3.20)
include(${CMAKE_CURRENT_LIST_DIR}/../install/package_files.cmake)
foreach(var VSIX WORK_DIR SOURCE_DIR WASM_DIR VERSION)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "check_vsix.cmake needs -D${var}=...")
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${VSIX} WORKING_DIRECTORY ${WORK_DIR} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${VSIX} does not unpack as a ZIP (${rc})")
endif()

# File names with brackets do not survive CMake's lists: counted and
# checked one by one instead.
set(expected
  extension.vsixmanifest
  extension/package.json
  extension/readme.md
  extension/language-configuration.json
  extension/messages.md
  extension/syntaxes/kelvo.tmLanguage.json
  extension/dist/extension.js
  extension/dist/web.js
  extension/dist/kelvo_lsp_wasm.wasm)
if(NOT EXISTS "${WORK_DIR}/[Content_Types].xml")
  message(FATAL_ERROR "${VSIX} has no [Content_Types].xml")
endif()
foreach(file ${expected})
  if(NOT EXISTS ${WORK_DIR}/${file})
    message(FATAL_ERROR "${VSIX} has no ${file}")
  endif()
endforeach()
file(GLOB_RECURSE found LIST_DIRECTORIES false ${WORK_DIR}/*)
list(LENGTH found found_count)
list(LENGTH expected expected_count)
math(EXPR expected_count "${expected_count} + 1")
if(NOT found_count EQUAL expected_count)
  string(REPLACE ";" "\n  " found "${found}")
  message(FATAL_ERROR "${VSIX} holds ${found_count} files, not ${expected_count}:\n  ${found}")
endif()

function(expect_same packed original)
  kelvo_expect_same_file(${WORK_DIR}/${packed} ${original} "${packed} in ${VSIX}")
endfunction()
expect_same(extension/syntaxes/kelvo.tmLanguage.json ${SOURCE_DIR}/editors/kelvo.tmLanguage.json)
expect_same(extension/language-configuration.json ${SOURCE_DIR}/editors/vscode/language-configuration.json)
expect_same(extension/readme.md ${SOURCE_DIR}/editors/vscode/README.md)
expect_same(extension/messages.md ${SOURCE_DIR}/docs/messages.md)
expect_same(extension/dist/kelvo_lsp_wasm.wasm ${WASM_DIR}/kelvo_lsp_wasm.wasm)

file(READ ${WORK_DIR}/extension/package.json manifest)
string(JSON main GET "${manifest}" main)
string(JSON browser GET "${manifest}" browser)
if(NOT main STREQUAL "./dist/extension.js" OR NOT browser STREQUAL "./dist/web.js")
  message(FATAL_ERROR "the packaged manifest's entries are ${main} and ${browser}")
endif()
foreach(key dependencies devDependencies scripts)
  string(JSON value ERROR_VARIABLE absent GET "${manifest}" ${key})
  if(NOT absent)
    message(FATAL_ERROR "the packaged manifest still has ${key}: ${value}")
  endif()
endforeach()

# What each bundle asks for at run time.
function(expect_requires bundle)
  file(READ ${WORK_DIR}/extension/dist/${bundle} text)
  string(REGEX MATCHALL "require\\(\"[^\"]+\"\\)" asked "${text}")
  list(TRANSFORM asked REPLACE "^require\\(\"([^\"]+)\"\\)$" "\\1")
  list(REMOVE_DUPLICATES asked)
  list(REMOVE_ITEM asked ${ARGN})
  if(asked)
    message(FATAL_ERROR "${bundle} asks for what it should carry inside: ${asked}")
  endif()
endfunction()
expect_requires(extension.js vscode child_process crypto fs net os path util)
expect_requires(web.js vscode)

file(READ ${WORK_DIR}/extension.vsixmanifest vsixmanifest)
if(NOT vsixmanifest MATCHES "<Property Id=\"Microsoft.VisualStudio.Code.ExtensionKind\" Value=\"workspace,web\" />")
  message(FATAL_ERROR "${VSIX} is not marked for the desktop and the web:\n${vsixmanifest}")
endif()
string(REPLACE "." "\\." version_pattern "${VERSION}")
if(NOT vsixmanifest MATCHES "<Identity Language=\"en-US\" Id=\"kelvo\" Version=\"${version_pattern}\" Publisher=\"local\" />")
  message(FATAL_ERROR "${VSIX} names itself otherwise:\n${vsixmanifest}")
endif()
file(SIZE ${VSIX} size)
message(STATUS "${VSIX}: ${size} bytes, as it should be")
