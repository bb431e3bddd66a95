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
# import tables and runs the host program under wine.

if(WIN32)
  target_sources(KelvoScriptparser PRIVATE ${CMAKE_CURRENT_LIST_DIR}/KelvoScriptparser.def)
  if(MINGW)
    target_link_options(KelvoScriptparser PRIVATE -static -static-libgcc -static-libstdc++)
    if(TARGET kelvo)
      target_link_options(kelvo PRIVATE -static)
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

find_program(KELVO_MINGW_CXX i686-w64-mingw32-g++)
find_program(KELVO_MINGW_OBJDUMP i686-w64-mingw32-objdump)
find_program(KELVO_WINE_PROGRAM wine)
if(NOT KELVO_MINGW_CXX OR NOT KELVO_MINGW_OBJDUMP)
  message(STATUS "Windows DLL tests: off (no i686-w64-mingw32-g++ / objdump)")
  return()
endif()
message(STATUS "Windows DLL tests: cross build with ${KELVO_MINGW_CXX}")

set(kelvo_win32_dir ${CMAKE_BINARY_DIR}/win32)
set(kelvo_win32_generator "${CMAKE_GENERATOR}")

# The cross build itself: configure once, then build (incremental afterwards).
add_test(NAME windows_cross_build
  COMMAND ${CMAKE_COMMAND}
    -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
    -DBINARY_DIR=${kelvo_win32_dir}
    -DGENERATOR=${kelvo_win32_generator}
    -DTOOLCHAIN=${PROJECT_SOURCE_DIR}/cmake/toolchains/i686-w64-mingw32.cmake
    -DWERROR=${KELVO_WERROR}
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

# The ZIP for users: the DLL, the header and the README.
add_test(NAME windows_zip_package
  COMMAND ${CMAKE_COMMAND}
    -DBINARY_DIR=${kelvo_win32_dir}
    -P ${PROJECT_SOURCE_DIR}/tests/windows/check_package.cmake)
set_tests_properties(windows_zip_package PROPERTIES
  FIXTURES_REQUIRED kelvo_win32
  RESOURCE_LOCK kelvo_win32)

# The host program loads the DLL in a 32-bit Windows process under wine.
if(KELVO_WINE_PROGRAM)
  add_test(NAME windows_host_under_wine
    COMMAND bash ${PROJECT_SOURCE_DIR}/tests/windows/run_host.sh
      ${KELVO_WINE_PROGRAM} ${kelvo_win32_dir} ${CMAKE_BINARY_DIR}/wineprefix)
  set_tests_properties(windows_host_under_wine PROPERTIES
    FIXTURES_REQUIRED kelvo_win32
    TIMEOUT 2700
    SKIP_RETURN_CODE 77)
else()
  message(STATUS "Windows DLL tests: no wine, the host program is built but not run")
endif()
