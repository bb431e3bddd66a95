# The translator as a WebAssembly ES module, and the playground page.
#
#   emcmake cmake -S . -B build-wasm -G Ninja -DKELVO_WASM=ON
#   cmake --build build-wasm
#
# gives, in build-wasm:
#   kelvo.js, kelvo_wasm.mjs, kelvo_wasm.wasm  the module: import { loadKelvo } from "./kelvo.js"
#   kelvo_lsp.js, kelvo_lsp_wasm.mjs, .wasm    the language server: import { loadLanguageServer } from "./kelvo_lsp.js"
#   playground/                                the page, static files only
# The page is bundled with esbuild from the npm registry (npm ci into
# build-wasm/web/node_modules, pinned by web/package-lock.json); without node
# and npm only the module is built.
if(NOT EMSCRIPTEN)
  message(FATAL_ERROR "KELVO_WASM needs the emscripten toolchain: configure with emcmake cmake ... -DKELVO_WASM=ON")
endif()

set(kelvo_web_dir ${PROJECT_SOURCE_DIR}/web)

# The reports' texts are the kelvo tool's, from its printer.
add_executable(kelvo_wasm ${kelvo_web_dir}/wasm/kelvo_wasm.cpp ${kelvo_web_dir}/wasm/run_wasm.cpp
  ${PROJECT_SOURCE_DIR}/tools/kelvo/cli/printer.cpp)
target_link_libraries(kelvo_wasm PRIVATE kelvo_core kelvo_preview kelvo_tool_common kelvo_warnings)
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
  -sEXPORTED_FUNCTIONS=_kelvo_buffer,_kelvo_add_global,_kelvo_translate,_kelvo_load_tables,_kelvo_part,_kelvo_part_size,_kelvo_run,_kelvo_run_frame,_kelvo_run_owners,_kelvo_shape_at,_kelvo_run_part,_kelvo_run_part_size,_kelvo_choose_warning,_kelvo_explain,_kelvo_load_explanations)

# The JavaScript API beside the module it loads.
configure_file(${kelvo_web_dir}/wasm/kelvo.js ${CMAKE_BINARY_DIR}/kelvo.js COPYONLY)

# The language server, for the editor extension: kelvo_lsp.js beside
# kelvo_lsp_wasm.mjs and kelvo_lsp_wasm.wasm. It runs in Node.js and in a web
# worker, always handed the bytes of the module. nlohmann-json is header
# only: its folder alone is copied into the build tree, so that emscripten
# does not see the rest of the system's headers.
find_path(KELVO_NLOHMANN_INCLUDE nlohmann/json.hpp PATHS /usr/include /usr/local/include NO_CMAKE_FIND_ROOT_PATH)
if(NOT KELVO_NLOHMANN_INCLUDE)
  message(STATUS "The language server's module: left out, nlohmann-json is missing (apt-get install nlohmann-json3-dev)")
else()
  set(kelvo_nlohmann_copy ${CMAKE_BINARY_DIR}/nlohmann-json/include)
  file(COPY ${KELVO_NLOHMANN_INCLUDE}/nlohmann DESTINATION ${kelvo_nlohmann_copy})
  list(TRANSFORM kelvo_language_server_sources PREPEND ${PROJECT_SOURCE_DIR}/ OUTPUT_VARIABLE kelvo_lsp_wasm_sources)
  add_executable(kelvo_lsp_wasm ${kelvo_web_dir}/wasm/lsp_wasm.cpp ${kelvo_lsp_wasm_sources})
  target_include_directories(kelvo_lsp_wasm SYSTEM PRIVATE ${kelvo_nlohmann_copy})
  target_include_directories(kelvo_lsp_wasm PRIVATE ${PROJECT_SOURCE_DIR}/tools/kelvo)
  target_compile_definitions(kelvo_lsp_wasm PRIVATE KELVO_VERSION="${PROJECT_VERSION}")
  # The server answers a message it cannot read with an error, which it
  # learns of from the JSON parser's exceptions: WebAssembly's own, which cost
  # nothing until one is thrown.
  target_compile_options(kelvo_lsp_wasm PRIVATE -fwasm-exceptions
    # What emscripten's C++ library lacks of C++20.
    -include ${kelvo_web_dir}/wasm/libcxx_compat.h)
  target_link_libraries(kelvo_lsp_wasm PRIVATE kelvo_core kelvo_preview kelvo_tool_common kelvo_warnings)
  set_target_properties(kelvo_lsp_wasm PROPERTIES SUFFIX ".mjs")
  target_link_options(kelvo_lsp_wasm PRIVATE
    -fwasm-exceptions
    -sENVIRONMENT=web,worker
    -sMODULARIZE=1
    -sEXPORT_ES6=1
    -sEXPORT_NAME=createKelvoLanguageServer
    -sALLOW_MEMORY_GROWTH=1
    -sMAXIMUM_MEMORY=2GB
    -sFILESYSTEM=0
    -sEXPORTED_FUNCTIONS=_kelvo_lsp_buffer,_kelvo_lsp_handle,_kelvo_lsp_answer,_kelvo_lsp_answer_size,_kelvo_lsp_exit_status,_kelvo_lsp_restart)
  configure_file(${kelvo_web_dir}/wasm/kelvo_lsp.js ${CMAKE_BINARY_DIR}/kelvo_lsp.js COPYONLY)
endif()

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
