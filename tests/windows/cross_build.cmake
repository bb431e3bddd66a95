# Configures and builds the 32-bit Windows DLL, the kelvo tool and the host
# programs with the mingw-w64 toolchain, in BINARY_DIR (incremental after the
# first time; a changed toolchain file configures afresh).
#   cmake -DSOURCE_DIR=.. -DBINARY_DIR=.. -DGENERATOR=.. -DTOOLCHAIN=.. [-DWERROR=ON] [-DVSIX=kelvo.vsix]
#         -P cross_build.cmake
foreach(var SOURCE_DIR BINARY_DIR GENERATOR TOOLCHAIN)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "cross_build.cmake needs -D${var}=...")
  endif()
endforeach()
if(NOT DEFINED WERROR)
  set(WERROR OFF)
endif()
# The kelvo.vsix of the Linux build, for the ZIP; empty where it made none.
if(NOT DEFINED VSIX)
  set(VSIX "")
endif()

# The toolchain's flags count only when a build directory is first
# configured: a changed toolchain file starts over.
file(SHA256 ${TOOLCHAIN} toolchain_hash)
set(stamp ${BINARY_DIR}/toolchain.sha256)
set(built_with "")
if(EXISTS ${stamp})
  file(READ ${stamp} built_with)
endif()
if(EXISTS ${BINARY_DIR}/CMakeCache.txt AND NOT built_with STREQUAL toolchain_hash)
  file(REMOVE_RECURSE ${BINARY_DIR}/CMakeCache.txt ${BINARY_DIR}/CMakeFiles)
endif()

execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${BINARY_DIR} -G ${GENERATOR}
    -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN} -DCMAKE_BUILD_TYPE=Release
    -DKELVO_WERROR=${WERROR} -DKELVO_BUILD_TOOLS=ON -DKELVO_BUILD_TESTS=ON
    -DKELVO_PACKAGED_VSIX=${VSIX}
  RESULT_VARIABLE configured)
if(NOT configured EQUAL 0)
  file(REMOVE "${BINARY_DIR}/CMakeCache.txt")
  message(FATAL_ERROR "configuring the Windows build failed")
endif()
file(WRITE ${stamp} "${toolchain_hash}")

execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY_DIR} --parallel 2
  RESULT_VARIABLE built)
if(NOT built EQUAL 0)
  message(FATAL_ERROR "building the Windows DLL failed")
endif()
foreach(file KelvoScriptparser.dll kelvo.exe kelvo_host.exe kelvo_host_gui.exe)
  if(NOT EXISTS "${BINARY_DIR}/${file}")
    message(FATAL_ERROR "the Windows build made no ${file}")
  endif()
endforeach()
message(STATUS "Windows build ready in ${BINARY_DIR}")
