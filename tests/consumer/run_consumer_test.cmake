# Installs the built library with `cmake --install`, builds the consumer
# project against the installed package and runs it.
#   cmake -DBUILD_DIR=.. -DSOURCE_DIR=<this dir> -DWORK_DIR=.. -DGENERATOR=..
#         [-DC_COMPILER=..] [-DINCLUDEDIR=include] [-DCMAKEDIR=lib/cmake/KelvoScriptparser]
#         -P run_consumer_test.cmake
cmake_minimum_required(VERSION 3.20)
foreach(var BUILD_DIR SOURCE_DIR WORK_DIR GENERATOR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_consumer_test.cmake needs -D${var}=...")
  endif()
endforeach()

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${out}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/install)
run("cmake --install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

if(NOT DEFINED INCLUDEDIR)
  set(INCLUDEDIR include)
endif()
if(NOT DEFINED CMAKEDIR)
  set(CMAKEDIR lib/cmake/KelvoScriptparser)
endif()
foreach(file ${INCLUDEDIR}/KelvoScriptparser.h ${CMAKEDIR}/KelvoScriptparserConfig.cmake
             ${CMAKEDIR}/KelvoScriptparserConfigVersion.cmake ${CMAKEDIR}/KelvoScriptparserTargets.cmake)
  if(NOT EXISTS ${prefix}/${file})
    file(GLOB_RECURSE installed RELATIVE ${prefix} ${prefix}/*)
    message(FATAL_ERROR "the install tree has no ${file}; it has: ${installed}")
  endif()
endforeach()

set(compiler_args "")
if(DEFINED C_COMPILER)
  set(compiler_args -DCMAKE_C_COMPILER=${C_COMPILER})
endif()
run("configuring the consumer" ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build -G ${GENERATOR}
  -DCMAKE_PREFIX_PATH=${prefix} ${compiler_args})
run("building the consumer" ${CMAKE_COMMAND} --build ${WORK_DIR}/build)

set(run_dir ${WORK_DIR}/run)
file(MAKE_DIRECTORY ${run_dir})
file(WRITE ${run_dir}/test.txt "message player\nspeed\nnobody\n")
execute_process(COMMAND ${WORK_DIR}/build/consumer WORKING_DIRECTORY ${run_dir}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(expected "show_message(\"Ann\")\n2.5\n\n--\nUnknown variable: nobody\n")
if(NOT rc EQUAL 0 OR NOT out STREQUAL expected)
  message(FATAL_ERROR "the consumer printed (exit ${rc}):\n${out}${err}\nexpected:\n${expected}")
endif()
file(READ ${run_dir}/temp.txt temp)
if(NOT temp STREQUAL "show_message(\"Ann\")\n2.5\n\n")
  message(FATAL_ERROR "temp.txt holds:\n${temp}")
endif()
message(STATUS "the installed package works in a consumer project")
