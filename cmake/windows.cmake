# The 32-bit Windows DLL and the tests that prove it.
#
# Built for Windows (with cmake/toolchains/i686-w64-mingw32.cmake): the DLL
# exports exactly the four functions by their plain names, through
# cmake/KelvoScriptparser.def, and carries the C++ runtime inside so that it
# imports nothing but Windows system DLLs. The host program of
# tests/windows is built beside it.
#
# Built for Linux: when the mingw-w64 cross compiler and wine are present, the
# test suite cross-builds the DLL into <build>/win32, checks its export and
# import tables and the ZIP, and runs the host program and kelvo.exe under
# wine (tests/windows/wine_run.sh: natively, or through qemu-i386 where the
# kernel starts no 32-bit program). Where the tools are missing the tests are
# left out, except under CI (CI=true), where each missing one is a failing
# test that names what is missing.

# Moves the debug information of a linked target to <file>.debug beside it,
# strips the file and links it to that file by name (objcopy --only-keep-debug,
# --strip-all, --add-gnu-debuglink).
function(kelvo_split_debug_information target)
  if(NOT CMAKE_OBJCOPY)
    message(FATAL_ERROR "no objcopy for this toolchain: ${target} cannot be stripped")
  endif()
  set(file $<TARGET_FILE:${target}>)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug ${file} ${file}.debug
    COMMAND ${CMAKE_OBJCOPY} --strip-all ${file}
    COMMAND ${CMAKE_OBJCOPY} --add-gnu-debuglink=${file}.debug ${file}
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
    COMMENT "Moving the debug information of $<TARGET_FILE_NAME:${target}> to $<TARGET_FILE_NAME:${target}>.debug"
    VERBATIM)
endfunction()

if(WIN32)
  target_sources(KelvoScriptparser PRIVATE ${CMAKE_CURRENT_LIST_DIR}/KelvoScriptparser.def)
  if(MINGW)
    target_link_options(KelvoScriptparser PRIVATE -static -static-libgcc -static-libstdc++)
    # The runtime carried inside gives its exception pool back at unload.
    target_sources(KelvoScriptparser PRIVATE ${CMAKE_CURRENT_LIST_DIR}/mingw_static_runtime.cpp)
    if(TARGET kelvo)
      target_link_options(kelvo PRIVATE -static)
    endif()
    # What users get carries no debug information (the C++ runtime inside
    # brings much of it): after each link it moves to NAME.debug beside the
    # file, which keeps a .gnu_debuglink to it for a debugger. The ZIP takes
    # the stripped file only.
    kelvo_split_debug_information(KelvoScriptparser)
    if(TARGET kelvo)
      kelvo_split_debug_information(kelvo)
    endif()
  endif()
  if(KELVO_BUILD_TESTS)
    enable_testing()
    add_subdirectory(tests/windows)
  endif()
  return()
endif()

if(NOT KELVO_BUILD_TESTS)
  return()
endif()

if(NOT KELVO_WINDOWS_TESTS)
  return()
endif()

if("$ENV{CI}" STREQUAL "true")
  set(kelvo_under_ci ON)
else()
  set(kelvo_under_ci OFF)
endif()

# A test that only fails, naming what is missing: under CI nothing is left out.
function(kelvo_missing_windows_test name what)
  if(kelvo_under_ci)
    add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} "-DWHAT=${what}"
      -P ${PROJECT_SOURCE_DIR}/tests/windows/missing.cmake)
  endif()
  message(STATUS "Windows DLL tests: ${what}")
endfunction()

find_program(KELVO_MINGW_CXX i686-w64-mingw32-g++)
find_program(KELVO_MINGW_OBJDUMP i686-w64-mingw32-objdump)
find_program(KELVO_WINE_PROGRAM wine)
if(NOT KELVO_MINGW_CXX OR NOT KELVO_MINGW_OBJDUMP)
  kelvo_missing_windows_test(windows_cross_build
    "no i686-w64-mingw32-g++ / objdump (apt-get install g++-mingw-w64-i686): the Windows DLL is not built")
  return()
endif()
message(STATUS "Windows DLL tests: cross build with ${KELVO_MINGW_CXX}")

set(kelvo_win32_dir ${CMAKE_BINARY_DIR}/win32)
set(kelvo_wine_dir ${CMAKE_BINARY_DIR}/wine)
set(kelvo_win32_generator "${CMAKE_GENERATOR}")

# The cross build itself: configure, then build (incremental afterwards).
add_test(NAME windows_cross_build
  COMMAND ${CMAKE_COMMAND}
    -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
    -DBINARY_DIR=${kelvo_win32_dir}
    -DGENERATOR=${kelvo_win32_generator}
    -DTOOLCHAIN=${PROJECT_SOURCE_DIR}/cmake/toolchains/i686-w64-mingw32.cmake
    -DWERROR=${KELVO_WERROR}
    -DVSIX=$<$<TARGET_EXISTS:kelvo_vsix>:${CMAKE_BINARY_DIR}/kelvo.vsix>
    -P ${PROJECT_SOURCE_DIR}/tests/windows/cross_build.cmake)
set_tests_properties(windows_cross_build PROPERTIES
  FIXTURES_SETUP kelvo_win32
  TIMEOUT 900
  RESOURCE_LOCK kelvo_win32)

# Exactly the four exports, and imports from Windows system DLLs only.
add_test(NAME windows_dll_tables
  COMMAND ${CMAKE_COMMAND}
    -DOBJDUMP=${KELVO_MINGW_OBJDUMP}
    -DDLL=${kelvo_win32_dir}/KelvoScriptparser.dll
    -P ${PROJECT_SOURCE_DIR}/tests/windows/check_dll_tables.cmake)
set_tests_properties(windows_dll_tables PROPERTIES FIXTURES_REQUIRED kelvo_win32)

# The ZIP for users: its file list, the stripped DLL and kelvo.exe, the links
# of its README.
add_test(NAME windows_zip_package
  COMMAND ${CMAKE_COMMAND}
    -DBINARY_DIR=${kelvo_win32_dir}
    -DOBJDUMP=${KELVO_MINGW_OBJDUMP}
    -DVSIX=$<$<TARGET_EXISTS:kelvo_vsix>:${CMAKE_BINARY_DIR}/kelvo.vsix>
    -P ${PROJECT_SOURCE_DIR}/tests/windows/check_package.cmake)
set_tests_properties(windows_zip_package PROPERTIES
  FIXTURES_REQUIRED kelvo_win32
  RESOURCE_LOCK kelvo_win32)

if(NOT KELVO_WINE_PROGRAM)
  kelvo_missing_windows_test(windows_host_under_wine
    "no wine (apt-get install wine wine32:i386): the host program is built but not run")
  return()
endif()

# What the Linux build makes of the large source, for the host to match.
add_test(NAME windows_reference_output
  COMMAND kelvo_tests --gtest_filter=LargeSource.*)
set_tests_properties(windows_reference_output PROPERTIES FIXTURES_SETUP kelvo_reference)

# The host programs load the DLL in 32-bit Windows processes under wine and
# run the behaviour table and the Windows checks: about 20 seconds. Each
# wine test prepares what its route needs under <build>/wine (the preloaded
# wrapper where qemu-i386 starts 32-bit programs, a bare prefix of its own);
# it is skipped (77) where wine cannot start a 32-bit program at all, but
# not under CI, where that fails.
if(kelvo_under_ci)
  set(kelvo_wine_skip "")
else()
  set(kelvo_wine_skip SKIP_RETURN_CODE 77)
endif()
add_test(NAME windows_host_under_wine
  COMMAND bash ${PROJECT_SOURCE_DIR}/tests/windows/run_host.sh
    ${kelvo_win32_dir} ${kelvo_wine_dir} ${PROJECT_SOURCE_DIR}/tests/scenarios ${CMAKE_BINARY_DIR}/reference)
set_tests_properties(windows_host_under_wine PROPERTIES
  FIXTURES_REQUIRED "kelvo_win32;kelvo_wine;kelvo_reference"
  # The host's exit status decides; a failed check fails the test even if
  # a later summary (the GUI twin's) reads "0 failed".
  FAIL_REGULAR_EXPRESSION "(^|\n)FAIL: |[1-9][0-9]* failed"
  TIMEOUT 300)

# kelvo.exe prints what the Linux kelvo prints, and exits the same way.
if(TARGET kelvo)
  add_test(NAME windows_tool_under_wine
    COMMAND bash ${PROJECT_SOURCE_DIR}/tests/windows/run_tool.sh
      ${kelvo_win32_dir} ${kelvo_wine_dir} $<TARGET_FILE:kelvo> ${PROJECT_SOURCE_DIR}/examples/demo.kelvo)
  set_tests_properties(windows_tool_under_wine PROPERTIES
    FIXTURES_REQUIRED kelvo_win32
    ENVIRONMENT "CC=${CMAKE_C_COMPILER}"
    TIMEOUT 180
    ${kelvo_wine_skip})
endif()
