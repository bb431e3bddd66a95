# Cross build for 32-bit Windows with the mingw-w64 compilers:
#   cmake -S . -B build-win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/i686-w64-mingw32.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(KELVO_MINGW_PREFIX i686-w64-mingw32 CACHE STRING "Target triplet of the mingw-w64 tools")
set(CMAKE_C_COMPILER ${KELVO_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${KELVO_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${KELVO_MINGW_PREFIX}-windres)
set(CMAKE_OBJDUMP ${KELVO_MINGW_PREFIX}-objdump CACHE FILEPATH "objdump of the target")

# For processors with SSE2 (every one the engine runs on): the source reader
# scans sixteen bytes at a time, and floating point stays off the x87 stack
# inside the library. A caller keeps esp only 4-byte aligned, so functions
# realign their own frames where they need more (-mstackrealign, also
# mingw's default for this target, said here so that it stays).
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")

set(CMAKE_FIND_ROOT_PATH /usr/${KELVO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
