# Hardening builds: sanitizers, coverage and the fuzz targets, each meant for
# a build directory of its own (the options are declared in the top-level
# CMakeLists.txt).

if(KELVO_SANITIZE OR KELVO_FUZZ)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

if(KELVO_COVERAGE)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    message(FATAL_ERROR "KELVO_COVERAGE needs g++ (gcov)")
  endif()
  add_compile_options(--coverage -O0 -fno-inline)
  add_link_options(--coverage)
endif()

if(KELVO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "KELVO_FUZZ needs clang (libFuzzer)")
  endif()
  # Everything gets the coverage hooks; only the fuzz executables get the
  # libFuzzer main (fuzz/CMakeLists.txt).
  add_compile_options(-fsanitize=fuzzer-no-link)
  add_subdirectory(fuzz)
endif()
