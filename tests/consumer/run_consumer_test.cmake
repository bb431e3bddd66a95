# Installs the built library with `cmake --install`, builds the consumer
# project against the installed package and runs it.
#   cmake -DBUILD_DIR=.. -DSOURCE_DIR=<this dir> -DWORK_DIR=.. -DGENERATOR=..
#         [-DC_COMPILER=..] [-DINCLUDEDIR=include] [-DCMAKEDIR=lib/cmake/KelvoScriptparser]
#         -P run_consumer_test.cmake
cmake_minimum_required(VERSION 3.20)
include(${CMAKE_CURRENT_LIST_DIR}/consumer_steps.cmake)
kelvo_require_variables(run_consumer_test.cmake BUILD_DIR SOURCE_DIR WORK_DIR GENERATOR)

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
kelvo_run_consumer(${WORK_DIR}/build/consumer ${run_dir})
file(READ ${run_dir}/temp.txt temp)
if(NOT temp STREQUAL "show_message(\"Ann\")\n2.5\n\n")
  message(FATAL_ERROR "temp.txt holds:\n${temp}")
endif()
message(STATUS "the installed package works in a consumer project")
