# Cross build for 32-bit Windows with the mingw-w64 compilers:
#   cmake -S . -B build-win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/i686-w64-mingw32.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(KELVO_MINGW_PREFIX i686-w64-mingw32 CACHE STRING "Target triplet of the mingw-w64 tools")
set(CMAKE_C_COMPILER ${KELVO_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${KELVO_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${KELVO_MINGW_PREFIX}-windres)
set(CMAKE_OBJDUMP ${KELVO_MINGW_PREFIX}-objdump CACHE FILEPATH "objdump of the target")

set(CMAKE_FIND_ROOT_PATH /usr/${KELVO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs built here run under wine on a Linux build machine.
find_program(KELVO_WINE wine)
if(KELVO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KELVO_WINE})
endif()
