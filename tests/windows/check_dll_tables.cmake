# Reads the export and import tables of the Windows DLL with objdump and fails
# on any difference from what the engine needs:
# - exports: exactly Parser, Parser_add_global_arg_real,
#   Parser_add_global_arg_string and Parser_last_error, by plain name (no
#   leading underscore, no @N suffix), and nothing else;
# - imports: only DLLs that every Windows installation ships, so that neither
#   the C++ runtime (libstdc++, libgcc) nor winpthread must be carried along.
#   cmake -DOBJDUMP=i686-w64-mingw32-objdump -DDLL=KelvoScriptparser.dll -P check_dll_tables.cmake
cmake_minimum_required(VERSION 3.20)
foreach(var OBJDUMP DLL)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "check_dll_tables.cmake needs -D${var}=...")
  endif()
endforeach()

set(expected_exports Parser Parser_add_global_arg_real Parser_add_global_arg_string Parser_last_error)
# KERNEL32 for the process, memory and file services; msvcrt for the C
# library (fopen, malloc, printf family) that the mingw-w64 runtime is built
# on. Both are part of every Windows installation.
set(allowed_imports KERNEL32.dll msvcrt.dll)

execute_process(COMMAND ${OBJDUMP} -p ${DLL}
  OUTPUT_VARIABLE dump RESULT_VARIABLE dumped ERROR_VARIABLE dump_error)
if(NOT dumped EQUAL 0)
  message(FATAL_ERROR "objdump -p ${DLL} failed: ${dump_error}")
endif()

set(failures "")

string(FIND "${dump}" "file format pei-i386" is_pe32)
if(is_pe32 EQUAL -1)
  string(APPEND failures "  not a 32-bit x86 Windows DLL (no 'file format pei-i386')\n")
endif()

# Export names: the lines "\t[   N] Name" after "[Ordinal/Name Pointer] Table".
set(exports "")
string(FIND "${dump}" "[Ordinal/Name Pointer] Table" table_start)
if(table_start EQUAL -1)
  string(APPEND failures "  no export name table\n")
else()
  string(SUBSTRING "${dump}" ${table_start} 8000 table)
  string(REPLACE "\n" ";" table_lines "${table}")
  list(REMOVE_AT table_lines 0)
  foreach(line IN LISTS table_lines)
    if(line MATCHES "^[ \t]*\\[ *[0-9]+\\] (.*)$")
      list(APPEND exports "${CMAKE_MATCH_1}")
    else()
      break()
    endif()
  endforeach()
endif()
list(LENGTH exports export_count)

# The export directory's own count must agree with the names found.
if(dump MATCHES "Export Address Table[ \t]+([0-9a-fA-F]+)")
  math(EXPR address_count "0x${CMAKE_MATCH_1}")
  if(NOT address_count EQUAL 4)
    string(APPEND failures "  the export address table has ${address_count} entries, not 4\n")
  endif()
endif()

if(NOT exports STREQUAL expected_exports)
  string(APPEND failures "  exports are [${exports}], expected exactly [${expected_exports}]\n")
endif()
foreach(name IN LISTS exports)
  if(name MATCHES "^_" OR name MATCHES "@")
    string(APPEND failures "  decorated export name: ${name}\n")
  endif()
endforeach()

# Imported DLLs.
string(REGEX MATCHALL "DLL Name: [^\n]+" import_lines "${dump}")
set(imports "")
foreach(line IN LISTS import_lines)
  string(REGEX REPLACE "^DLL Name: *" "" name "${line}")
  string(STRIP "${name}" name)
  list(APPEND imports "${name}")
endforeach()
if(NOT imports)
  string(APPEND failures "  no import table found\n")
endif()
foreach(name IN LISTS imports)
  set(allowed FALSE)
  foreach(system_dll IN LISTS allowed_imports)
    string(TOLOWER "${name}" lower_name)
    string(TOLOWER "${system_dll}" lower_system_dll)
    if(lower_name STREQUAL lower_system_dll)
      set(allowed TRUE)
    endif()
  endforeach()
  if(NOT allowed)
    string(APPEND failures "  imports ${name}, which is not one of [${allowed_imports}]\n")
  endif()
endforeach()

message(STATUS "exports (${export_count}): ${exports}")
message(STATUS "imports: ${imports}")
if(failures)
  message(FATAL_ERROR "KelvoScriptparser.dll tables differ from what the engine needs:\n${failures}")
endif()
message(STATUS "export and import tables as required")
