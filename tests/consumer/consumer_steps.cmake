# Steps that the consumer and subproject tests share: checking their
# arguments, running a command, and running the built consumer.

# Fails unless every named variable was given with -D.
function(kelvo_require_variables script)
  foreach(var ${ARGN})
    if(NOT DEFINED ${var})
      message(FATAL_ERROR "${script} needs -D${var}=...")
    endif()
  endforeach()
endfunction()

# Runs a command; fails with its output when it fails.
function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${out}")
  endif()
endfunction()

# Runs the consumer in a directory of its own on a test.txt of three lines
# and checks what it prints: the host script, "--", the error text.
function(kelvo_run_consumer consumer run_dir)
  file(MAKE_DIRECTORY ${run_dir})
  file(WRITE ${run_dir}/test.txt "message player\nspeed\nnobody\n")
  execute_process(COMMAND ${consumer} WORKING_DIRECTORY ${run_dir}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(expected "show_message(\"Ann\")\n2.5\n\n--\nUnknown variable: nobody\n")
  if(NOT rc EQUAL 0 OR NOT out STREQUAL expected)
    message(FATAL_ERROR "the consumer printed (exit ${rc}):\n${out}${err}\nexpected:\n${expected}")
  endif()
endfunction()
