# The VS Code extension as one file, <build>/kelvo.vsix: the extension of
# editors/vscode bundled with esbuild, the language client inside, and the
# language server inside too, as the WebAssembly module of web/wasm (so that
# it runs on every system, and in VS Code for the web, without a kelvo
# program). The module is built with emscripten in <build>/web-wasm, the
# folder the WebAssembly tests build the playground in; esbuild and
# @vscode/vsce come from the npm registry, pinned by
# editors/vscode/package-lock.json, into <build>/vsix with npm's cache there.
#
# It needs emscripten (with node-acorn), nlohmann-json, node and npm. Without them the
# package is left out with a message (the packages then carry no kelvo.vsix);
# under CI a failing test names what is missing. Sets kelvo_vsix_missing to
# that text, or empty when kelvo.vsix is built.
set(kelvo_vsix_missing "")
find_program(KELVO_NODE node)
find_program(KELVO_NPM npm)
find_program(KELVO_EMCMAKE emcmake)
if(NOT KELVO_NODE OR NOT KELVO_NPM)
  set(kelvo_vsix_missing "node and npm (the VS Code extension, kelvo.vsix)")
elseif(NOT nlohmann_json_FOUND)
  set(kelvo_vsix_missing "nlohmann-json (the language server inside kelvo.vsix; apt-get install nlohmann-json3-dev)")
elseif(NOT KELVO_EMCMAKE)
  set(kelvo_vsix_missing "emscripten (the language server inside kelvo.vsix; apt-get install emscripten node-acorn)")
endif()
if(kelvo_vsix_missing)
  message(STATUS "kelvo.vsix: left out, ${kelvo_vsix_missing} is missing")
  return()
endif()

set(kelvo_vsix ${CMAKE_BINARY_DIR}/kelvo.vsix)
set(kelvo_vsix_dir ${CMAKE_BINARY_DIR}/vsix)
set(kelvo_vsix_wasm_dir ${CMAKE_BINARY_DIR}/web-wasm)
set(kelvo_vsix_wasm_files ${kelvo_vsix_wasm_dir}/kelvo_lsp.js ${kelvo_vsix_wasm_dir}/kelvo_lsp_wasm.mjs
  ${kelvo_vsix_wasm_dir}/kelvo_lsp_wasm.wasm)

# The module: the emscripten build is incremental and decides itself what
# is out of date, so it is asked every time (a no-op when nothing changed).
add_custom_target(kelvo_lsp_wasm_module
  COMMAND ${CMAKE_COMMAND} -E env "NODE_PATH=/usr/share/nodejs:$ENV{NODE_PATH}"
    ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DBUILD_DIR=${kelvo_vsix_wasm_dir}
      -DEMCMAKE=${KELVO_EMCMAKE} -DGENERATOR=${CMAKE_GENERATOR}
      -P ${PROJECT_SOURCE_DIR}/cmake/build_lsp_wasm.cmake
  BYPRODUCTS ${kelvo_vsix_wasm_files}
  COMMENT "emscripten: the language server's WebAssembly module"
  VERBATIM)

file(MAKE_DIRECTORY ${kelvo_vsix_dir}/extension)
configure_file(${PROJECT_SOURCE_DIR}/editors/vscode/package.json ${kelvo_vsix_dir}/package.json COPYONLY)
configure_file(${PROJECT_SOURCE_DIR}/editors/vscode/package-lock.json ${kelvo_vsix_dir}/package-lock.json COPYONLY)
add_custom_command(
  OUTPUT ${kelvo_vsix_dir}/node_modules/.package-lock.json
  COMMAND ${KELVO_NPM} ci --ignore-scripts --no-audit --no-fund --loglevel=error --cache ${kelvo_vsix_dir}/npm-cache
  DEPENDS ${kelvo_vsix_dir}/package-lock.json
  WORKING_DIRECTORY ${kelvo_vsix_dir}
  COMMENT "npm ci: the extension's packages (the language client, esbuild, vsce)"
  VERBATIM)

file(GLOB kelvo_vsix_sources CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/editors/vscode/*.js ${PROJECT_SOURCE_DIR}/editors/vscode/*.mjs
  ${PROJECT_SOURCE_DIR}/editors/vscode/*.json ${PROJECT_SOURCE_DIR}/editors/vscode/README.md
  ${PROJECT_SOURCE_DIR}/editors/kelvo.tmLanguage.json ${PROJECT_SOURCE_DIR}/docs/messages.md)
add_custom_command(
  OUTPUT ${kelvo_vsix}
  COMMAND ${KELVO_NODE} ${PROJECT_SOURCE_DIR}/editors/vscode/build.mjs
    --node-modules ${kelvo_vsix_dir}/node_modules --module ${kelvo_vsix_wasm_dir} --out ${kelvo_vsix_dir}/extension
  COMMAND ${KELVO_NODE} ${kelvo_vsix_dir}/node_modules/@vscode/vsce/vsce package
    --no-dependencies --skip-license --allow-missing-repository --out ${kelvo_vsix}
  DEPENDS ${kelvo_vsix_sources} ${kelvo_vsix_wasm_files} kelvo_lsp_wasm_module
    ${kelvo_vsix_dir}/node_modules/.package-lock.json
  WORKING_DIRECTORY ${kelvo_vsix_dir}/extension
  COMMENT "esbuild and vsce: kelvo.vsix"
  VERBATIM)
add_custom_target(kelvo_vsix ALL DEPENDS ${kelvo_vsix})
