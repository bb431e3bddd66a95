# Configures and builds tests/subproject, which takes the library in with
# add_subdirectory, and runs its consumer.
#   cmake -DKELVO_SOURCE_DIR=.. -DWORK_DIR=.. -DGENERATOR=.. [-DC_COMPILER=..] [-DCXX_COMPILER=..] -P run_subproject_test.cmake
cmake_minimum_required(VERSION 3.20)
include(${CMAKE_CURRENT_LIST_DIR}/../consumer/consumer_steps.cmake)
kelvo_require_variables(run_subproject_test.cmake KELVO_SOURCE_DIR WORK_DIR GENERATOR)

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

kelvo_run_consumer(${WORK_DIR}/build/consumer ${WORK_DIR}/run)
message(STATUS "the library works as a subproject")
