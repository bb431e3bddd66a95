# Makes the ZIP that users download (CPack, from the Windows build) and
# checks it: exactly the files of the list below (the DLL with kelvo.exe
# beside it, the import library and CMake package, the header, the README
# with the documents and examples it links to, the grammar, and kelvo.vsix
# beside the documents when the Linux build made one), the DLL and kelvo.exe
# just built, stripped, with their debug information beside the build
# instead, the kelvo.vsix of the Linux build, and the README's links working
# inside the ZIP.
#   cmake -DBINARY_DIR=<Windows build> -DOBJDUMP=<i686-w64-mingw32-objdump> [-DVSIX=kelvo.vsix]
#         -P check_package.cmake
cmake_minimum_required(VERSION 3.20)
include(${CMAKE_CURRENT_LIST_DIR}/../install/package_files.cmake)
foreach(var BINARY_DIR OBJDUMP)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "check_package.cmake needs -D${var}=...")
  endif()
endforeach()
get_filename_component(cmake_bin_dir ${CMAKE_COMMAND} DIRECTORY)
find_program(CPACK cpack HINTS ${cmake_bin_dir} REQUIRED)

# Above these sizes a file has kept what stripping removes (the DLL was
# 623,232 bytes unstripped, 309,789 stripped; kelvo.exe about 760,000 and
# 392,733; kelvo.exe 527,901 once it wrote analyses and source maps; the DLL
# 428,061 and kelvo.exe 658,461 stripped once the run told the tools of
# blocks, chains and empty operands; kelvo.exe 1,020,445 stripped once it ran
# scripts in the preview host). Raise them when the code itself grows.
set(ceiling_KelvoScriptparser.dll 500000)
set(ceiling_kelvo.exe 1200000)

set(out ${BINARY_DIR}/package)
file(REMOVE_RECURSE ${out})
execute_process(COMMAND ${CPACK} -G ZIP -B ${out} --config ${BINARY_DIR}/CPackConfig.cmake
  WORKING_DIRECTORY ${BINARY_DIR} RESULT_VARIABLE rc OUTPUT_VARIABLE log ERROR_VARIABLE log)
file(GLOB zips ${out}/*.zip)
list(LENGTH zips zip_count)
if(NOT rc EQUAL 0 OR NOT zip_count EQUAL 1)
  message(FATAL_ERROR "cpack failed (${rc}):\n${log}")
endif()

set(vsix_file "")
if(VSIX)
  set(vsix_file kelvo.vsix)
endif()

set(unpacked ${out}/unpacked)
file(MAKE_DIRECTORY ${unpacked})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${zips} WORKING_DIRECTORY ${unpacked} RESULT_VARIABLE rc)
get_filename_component(top ${zips} NAME_WE)
string(REGEX REPLACE "\\.zip$" "" top "${zips}")
get_filename_component(top ${top} NAME)
set(root ${unpacked}/${top})
kelvo_expect_files(${root} ${zips}
  README.md
  bin/KelvoScriptparser.dll
  bin/kelvo.exe
  docs/analysis.md
  docs/guide.md
  docs/language.md
  docs/messages.md
  docs/preview.md
  docs/source-map.md
  editors/kelvo.tmLanguage.json
  ${vsix_file}
  examples/clock.kelvo
  examples/countdown.kelvo
  examples/demo.kelvo
  examples/greeting.kelvo
  examples/health_bar.kelvo
  examples/menu.kelvo
  examples/starfield.kelvo
  examples/frames/clock.svg
  examples/frames/countdown.svg
  examples/frames/demo.svg
  examples/frames/greeting.svg
  examples/frames/health_bar.svg
  examples/frames/menu.svg
  examples/frames/starfield.svg
  include/KelvoScriptparser.h
  lib/cmake/KelvoScriptparser/KelvoScriptparserConfig.cmake
  lib/cmake/KelvoScriptparser/KelvoScriptparserConfigVersion.cmake
  lib/cmake/KelvoScriptparser/KelvoScriptparserTargets-release.cmake
  lib/cmake/KelvoScriptparser/KelvoScriptparserTargets.cmake
  lib/libKelvoScriptparser.dll.a)
kelvo_expect_links_resolve(${root})

if(VSIX)
  kelvo_expect_same_file(${root}/kelvo.vsix ${VSIX} "the kelvo.vsix in ${zips}")
endif()

# The section names of a PE file, as objdump -h lists them.
function(sections_of file result)
  execute_process(COMMAND ${OBJDUMP} -h ${file} RESULT_VARIABLE rc OUTPUT_VARIABLE table ERROR_VARIABLE table)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "objdump -h ${file} failed:\n${table}")
  endif()
  string(REGEX MATCHALL "\n +[0-9]+ +[^ ]+" rows "${table}")
  list(TRANSFORM rows REPLACE "^\n +[0-9]+ +" "")
  set(${result} ${rows} PARENT_SCOPE)
endfunction()

foreach(name KelvoScriptparser.dll kelvo.exe)
  set(packed ${root}/bin/${name})
  kelvo_expect_same_file(${packed} ${BINARY_DIR}/${name} "the ${name} in ${zips}")
  # Stripped: no debug sections and no symbol table, a link to the debug file.
  sections_of(${packed} sections)
  set(debug_sections ${sections})
  list(FILTER debug_sections INCLUDE REGEX "^\\.(debug|zdebug)")
  if(debug_sections OR NOT ".gnu_debuglink" IN_LIST sections)
    message(FATAL_ERROR "${name} in ${zips} is not stripped and linked to its debug file: sections ${sections}")
  endif()
  execute_process(COMMAND ${OBJDUMP} -t ${packed} OUTPUT_VARIABLE symbols ERROR_VARIABLE symbols)
  if(symbols MATCHES "\\[ *[0-9]+\\]")
    message(FATAL_ERROR "${name} in ${zips} still has its symbol table")
  endif()
  file(SIZE ${packed} size)
  if(size GREATER ceiling_${name})
    message(FATAL_ERROR "${name} in ${zips} has ${size} bytes, above ${ceiling_${name}}: is it stripped?")
  endif()
  # The debug information beside the build, not in the ZIP.
  set(debug_file ${BINARY_DIR}/${name}.debug)
  if(NOT EXISTS ${debug_file})
    message(FATAL_ERROR "no ${name}.debug beside the build")
  endif()
  sections_of(${debug_file} kept)
  if(NOT ".debug_info" IN_LIST kept)
    message(FATAL_ERROR "${name}.debug holds no .debug_info: sections ${kept}")
  endif()
  message(STATUS "${name}: ${size} bytes stripped; its debug information in ${debug_file}")
endforeach()

file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${root} ${root}/*)
list(SORT files)
set(listing "")
foreach(file ${files})
  file(SIZE ${root}/${file} size)
  string(APPEND listing "\n  ${size}\t${file}")
endforeach()
message(STATUS "${zips}:${listing}")
