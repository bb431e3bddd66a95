# The translator as a WebAssembly ES module, and the playground page.
#
#   emcmake cmake -S . -B build-wasm -G Ninja -DKELVO_WASM=ON
#   cmake --build build-wasm
#
# gives, in build-wasm:
#   kelvo.js, kelvo_wasm.mjs, kelvo_wasm.wasm  the module: import { loadKelvo } from "./kelvo.js"
#   playground/                                the page, static files only
# The page is bundled with esbuild from the npm registry (npm ci into
# build-wasm/web/node_modules, pinned by web/package-lock.json); without node
# and npm only the module is built.
if(NOT EMSCRIPTEN)
  message(FATAL_ERROR "KELVO_WASM needs the emscripten toolchain: configure with emcmake cmake ... -DKELVO_WASM=ON")
endif()

set(kelvo_web_dir ${PROJECT_SOURCE_DIR}/web)

add_executable(kelvo_wasm ${kelvo_web_dir}/wasm/kelvo_wasm.cpp)
target_link_libraries(kelvo_wasm PRIVATE kelvo_core kelvo_warnings)
set_target_properties(kelvo_wasm PROPERTIES SUFFIX ".mjs")
# An ES module for the web: it does not fetch by itself when handed the
# bytes (wasmBinary), which is how Node.js loads it. Memory grows with the
# source; nothing of the file system is needed.
target_link_options(kelvo_wasm PRIVATE
  -sENVIRONMENT=web
  -sMODULARIZE=1
  -sEXPORT_ES6=1
  -sEXPORT_NAME=createKelvoModule
  -sALLOW_MEMORY_GROWTH=1
  -sMAXIMUM_MEMORY=2GB
  -sFILESYSTEM=0
  -sEXPORTED_FUNCTIONS=_kelvo_buffer,_kelvo_add_global,_kelvo_translate,_kelvo_load_tables,_kelvo_part,_kelvo_part_size)

# The JavaScript API beside the module it loads.
configure_file(${kelvo_web_dir}/wasm/kelvo.js ${CMAKE_BINARY_DIR}/kelvo.js COPYONLY)

find_program(KELVO_NODE node)
find_program(KELVO_NPM npm)
if(NOT KELVO_NODE OR NOT KELVO_NPM)
  message(STATUS "Playground: left out, node and npm are missing (the module is built)")
  return()
endif()

set(kelvo_npm_dir ${CMAKE_BINARY_DIR}/web)
configure_file(${kelvo_web_dir}/package.json ${kelvo_npm_dir}/package.json COPYONLY)
configure_file(${kelvo_web_dir}/package-lock.json ${kelvo_npm_dir}/package-lock.json COPYONLY)
add_custom_command(
  OUTPUT ${kelvo_npm_dir}/node_modules/.package-lock.json
  COMMAND ${KELVO_NPM} ci --no-audit --no-fund --loglevel=error
  DEPENDS ${kelvo_npm_dir}/package-lock.json
  WORKING_DIRECTORY ${kelvo_npm_dir}
  COMMENT "npm ci: the playground's packages")

file(GLOB kelvo_playground_sources CONFIGURE_DEPENDS
  ${kelvo_web_dir}/playground/*.js ${kelvo_web_dir}/playground/*.html ${kelvo_web_dir}/playground/*.css
  ${PROJECT_SOURCE_DIR}/examples/*.kelvo ${PROJECT_SOURCE_DIR}/examples/expected/*.defines)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/playground/index.html
  COMMAND ${KELVO_NODE} ${kelvo_web_dir}/playground/build.mjs
    --node-modules ${kelvo_npm_dir}/node_modules
    --module ${CMAKE_BINARY_DIR}
    --examples ${PROJECT_SOURCE_DIR}/examples
    --out ${CMAKE_BINARY_DIR}/playground
  DEPENDS kelvo_wasm ${CMAKE_BINARY_DIR}/kelvo.js ${kelvo_playground_sources}
    ${kelvo_npm_dir}/node_modules/.package-lock.json
  COMMENT "esbuild: the playground page")
add_custom_target(playground ALL DEPENDS ${CMAKE_BINARY_DIR}/playground/index.html)
