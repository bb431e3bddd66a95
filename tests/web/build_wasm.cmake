# Configures and builds the WebAssembly module and the playground page with
# emscripten, as the README says:
#   cmake -DSOURCE_DIR=... -DBUILD_DIR=... -DEMCMAKE=emcmake -DGENERATOR=Ninja -P build_wasm.cmake
foreach(step configure build)
  if(step STREQUAL "configure")
    set(command ${EMCMAKE} ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${BUILD_DIR} -G ${GENERATOR}
      -DKELVO_WASM=ON -DKELVO_WERROR=ON)
  else()
    set(command ${CMAKE_COMMAND} --build ${BUILD_DIR})
  endif()
  execute_process(COMMAND ${command} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${step} of the WebAssembly build failed (${status}):\n${out}")
  endif()
endforeach()
foreach(file kelvo.js kelvo_wasm.mjs kelvo_wasm.wasm playground/index.html playground/playground.js
    playground/playground.css playground/kelvo_wasm.wasm)
  if(NOT EXISTS ${BUILD_DIR}/${file})
    message(FATAL_ERROR "the WebAssembly build made no ${file}")
  endif()
  file(SIZE ${BUILD_DIR}/${file} size)
  message(STATUS "${file}: ${size} bytes")
endforeach()
