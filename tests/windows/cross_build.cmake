# Configures (first time) and builds the 32-bit Windows DLL and its host
# program with the mingw-w64 toolchain, in BINARY_DIR.
#   cmake -DSOURCE_DIR=.. -DBINARY_DIR=.. -DGENERATOR=.. -DTOOLCHAIN=.. [-DWERROR=ON] -P cross_build.cmake
foreach(var SOURCE_DIR BINARY_DIR GENERATOR TOOLCHAIN)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "cross_build.cmake needs -D${var}=...")
  endif()
endforeach()
if(NOT DEFINED WERROR)
  set(WERROR OFF)
endif()

if(NOT EXISTS "${BINARY_DIR}/CMakeCache.txt")
  execute_process(
    COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${BINARY_DIR} -G ${GENERATOR}
      -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN} -DCMAKE_BUILD_TYPE=Release
      -DKELVO_WERROR=${WERROR} -DKELVO_BUILD_TOOLS=OFF
    RESULT_VARIABLE configured)
  if(NOT configured EQUAL 0)
    file(REMOVE "${BINARY_DIR}/CMakeCache.txt")
    message(FATAL_ERROR "configuring the Windows build failed")
  endif()
endif()

execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY_DIR} --parallel 2
  RESULT_VARIABLE built)
if(NOT built EQUAL 0)
  message(FATAL_ERROR "building the Windows DLL failed")
endif()
foreach(file KelvoScriptparser.dll kelvo_host.exe)
  if(NOT EXISTS "${BINARY_DIR}/${file}")
    message(FATAL_ERROR "the Windows build made no ${file}")
  endif()
endforeach()
message(STATUS "Windows build ready in ${BINARY_DIR}")
