# Builds the language server's WebAssembly module with emscripten in
# BUILD_DIR, configured as the WebAssembly tests configure it there (so that
# they go on from what this built), and only that target:
#   cmake -DSOURCE_DIR=... -DBUILD_DIR=... -DEMCMAKE=emcmake -DGENERATOR=Ninja -P build_lsp_wasm.cmake
foreach(var SOURCE_DIR BUILD_DIR EMCMAKE GENERATOR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "build_lsp_wasm.cmake needs -D${var}=...")
  endif()
endforeach()
if(NOT EXISTS ${BUILD_DIR}/CMakeCache.txt)
  execute_process(COMMAND ${EMCMAKE} ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${BUILD_DIR} -G ${GENERATOR}
      -DKELVO_WASM=ON -DKELVO_WERROR=ON
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    file(REMOVE ${BUILD_DIR}/CMakeCache.txt)
    message(FATAL_ERROR "configuring the WebAssembly build failed (${status}):\n${out}")
  endif()
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target kelvo_lsp_wasm
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "building the language server's WebAssembly module failed (${status}):\n${out}")
endif()
