# Configures and builds tests/subproject, which takes the library in with
# add_subdirectory, and runs its consumer.
#   cmake -DKELVO_SOURCE_DIR=.. -DWORK_DIR=.. -DGENERATOR=.. [-DC_COMPILER=..] [-DCXX_COMPILER=..] -P run_subproject_test.cmake
cmake_minimum_required(VERSION 3.20)
foreach(var KELVO_SOURCE_DIR WORK_DIR GENERATOR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_subproject_test.cmake needs -D${var}=...")
  endif()
endforeach()

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${out}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
set(compilers "")
foreach(language C CXX)
  if(DEFINED ${language}_COMPILER)
    list(APPEND compilers -DCMAKE_${language}_COMPILER=${${language}_COMPILER})
  endif()
endforeach()
run("configuring the subproject" ${CMAKE_COMMAND} -S ${KELVO_SOURCE_DIR}/tests/subproject -B ${WORK_DIR}/build
  -G ${GENERATOR} -DKELVO_SOURCE_DIR=${KELVO_SOURCE_DIR} ${compilers})
run("building the subproject" ${CMAKE_COMMAND} --build ${WORK_DIR}/build --target consumer)

file(MAKE_DIRECTORY ${WORK_DIR}/run)
file(WRITE ${WORK_DIR}/run/test.txt "message player\nspeed\nnobody\n")
execute_process(COMMAND ${WORK_DIR}/build/consumer WORKING_DIRECTORY ${WORK_DIR}/run
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(expected "show_message(\"Ann\")\n2.5\n\n--\nUnknown variable: nobody\n")
if(NOT rc EQUAL 0 OR NOT out STREQUAL expected)
  message(FATAL_ERROR "the consumer printed (exit ${rc}):\n${out}${err}\nexpected:\n${expected}")
endif()
message(STATUS "the library works as a subproject")
