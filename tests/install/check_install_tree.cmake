# `cmake --install` on Linux: the library with its CMake package, kelvo on
# PATH's bin/, and the README with the documents and examples it links to in
# the documentation directory, kelvo.vsix beside them when the build made
# one (VSIX names it). The installed kelvo translates the installed example.
#   cmake -DBUILD_DIR=.. -DWORK_DIR=.. -DLIBDIR=lib -DCONFIG=release -DVERSION=1.0.0 [-DVSIX=..]
#         -P check_install_tree.cmake
cmake_minimum_required(VERSION 3.20)
include(${CMAKE_CURRENT_LIST_DIR}/package_files.cmake)
foreach(var BUILD_DIR WORK_DIR LIBDIR CONFIG VERSION)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "check_install_tree.cmake needs -D${var}=...")
  endif()
endforeach()
string(REGEX MATCH "^[0-9]+" major ${VERSION})

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${prefix})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
  RESULT_VARIABLE rc OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc}):\n${log}")
endif()

set(doc share/doc/KelvoScriptparser)
set(vsix_file "")
if(VSIX)
  set(vsix_file ${doc}/kelvo.vsix)
endif()
kelvo_expect_files(${prefix} "the install tree"
  bin/kelvo
  include/KelvoScriptparser.h
  ${LIBDIR}/libKelvoScriptparser.so
  ${LIBDIR}/libKelvoScriptparser.so.${major}
  ${LIBDIR}/libKelvoScriptparser.so.${VERSION}
  ${LIBDIR}/cmake/KelvoScriptparser/KelvoScriptparserConfig.cmake
  ${LIBDIR}/cmake/KelvoScriptparser/KelvoScriptparserConfigVersion.cmake
  ${LIBDIR}/cmake/KelvoScriptparser/KelvoScriptparserTargets.cmake
  ${LIBDIR}/cmake/KelvoScriptparser/KelvoScriptparserTargets-${CONFIG}.cmake
  ${doc}/README.md
  ${doc}/docs/analysis.md
  ${doc}/docs/guide.md
  ${doc}/docs/language.md
  ${doc}/docs/messages.md
  ${doc}/docs/preview.md
  ${doc}/docs/source-map.md
  ${doc}/examples/clock.kelvo
  ${doc}/examples/countdown.kelvo
  ${doc}/examples/demo.kelvo
  ${doc}/examples/greeting.kelvo
  ${doc}/examples/health_bar.kelvo
  ${doc}/examples/menu.kelvo
  ${doc}/examples/starfield.kelvo
  ${doc}/examples/frames/clock.svg
  ${doc}/examples/frames/countdown.svg
  ${doc}/examples/frames/demo.svg
  ${doc}/examples/frames/greeting.svg
  ${doc}/examples/frames/health_bar.svg
  ${doc}/examples/frames/menu.svg
  ${doc}/examples/frames/starfield.svg
  ${vsix_file})
kelvo_expect_links_resolve(${prefix}/${doc})
if(VSIX)
  kelvo_expect_same_file(${prefix}/${vsix_file} ${VSIX} "the installed kelvo.vsix")
endif()

execute_process(COMMAND ${prefix}/bin/kelvo ${prefix}/${doc}/examples/demo.kelvo
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out MATCHES "\nshow_message\\(\"Game over\"\\)\n$")
  message(FATAL_ERROR "the installed kelvo on the installed demo.kelvo (exit ${rc}):\n${out}${err}")
endif()
message(STATUS "the install tree holds what it should")
