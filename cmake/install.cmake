# `cmake --install` lays out the header, the library and a CMake package
# configuration, so that a consumer project can say
#   find_package(KelvoScriptparser 1.0 REQUIRED)
#   target_link_libraries(app PRIVATE KelvoScriptparser::KelvoScriptparser)
# CPack makes a ZIP of the same tree plus the README.
include(CMakePackageConfigHelpers)

set(KELVO_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/KelvoScriptparser
  CACHE STRING "Where the CMake package configuration is installed")

set_target_properties(KelvoScriptparser PROPERTIES EXPORT_NAME KelvoScriptparser)
install(TARGETS KelvoScriptparser
  EXPORT KelvoScriptparserTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_SKIP
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
if(NOT WIN32)
  # The unversioned name that the linker looks for.
  install(TARGETS KelvoScriptparser LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_ONLY)
endif()
if(TARGET kelvo)
  # The command-line translator: on PATH after a Linux install (every editor
  # setup runs `kelvo --lsp` from there), beside the DLL in the ZIP.
  install(TARGETS kelvo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/include/KelvoScriptparser.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

# The README with the documents and examples it points to, laid out as in the
# source tree so that its relative links work: at the top of the ZIP, in
# share/doc/KelvoScriptparser/ on Linux.
if(WIN32)
  set(kelvo_doc_dir .)
else()
  set(kelvo_doc_dir ${CMAKE_INSTALL_DOCDIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${kelvo_doc_dir})
install(FILES ${PROJECT_SOURCE_DIR}/docs/guide.md ${PROJECT_SOURCE_DIR}/docs/language.md
  ${PROJECT_SOURCE_DIR}/docs/analysis.md ${PROJECT_SOURCE_DIR}/docs/source-map.md
  ${PROJECT_SOURCE_DIR}/docs/preview.md ${PROJECT_SOURCE_DIR}/docs/messages.md
  DESTINATION ${kelvo_doc_dir}/docs)
file(GLOB kelvo_examples CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/examples/*.kelvo)
install(FILES ${kelvo_examples} DESTINATION ${kelvo_doc_dir}/examples)
# What each example draws, as kelvo --run --frame writes it.
file(GLOB kelvo_example_frames CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/examples/frames/*.svg)
install(FILES ${kelvo_example_frames} DESTINATION ${kelvo_doc_dir}/examples/frames)
if(WIN32)
  # The grammar for the editors other than VS Code, at the top of the ZIP.
  install(FILES ${PROJECT_SOURCE_DIR}/editors/kelvo.tmLanguage.json DESTINATION editors)
endif()
# The VS Code extension, one file beside the documents: built here
# (cmake/vsix.cmake), or for the Windows build handed over from a build
# that made it (it is the same on every system).
set(KELVO_PACKAGED_VSIX "" CACHE FILEPATH "A kelvo.vsix built elsewhere, for the packages of a build that makes none")
if(TARGET kelvo_vsix)
  install(FILES ${kelvo_vsix} DESTINATION ${kelvo_doc_dir})
elseif(KELVO_PACKAGED_VSIX)
  install(FILES ${KELVO_PACKAGED_VSIX} DESTINATION ${kelvo_doc_dir} RENAME kelvo.vsix)
endif()

install(EXPORT KelvoScriptparserTargets
  NAMESPACE KelvoScriptparser::
  DESTINATION ${KELVO_INSTALL_CMAKEDIR})
configure_package_config_file(
  ${CMAKE_CURRENT_LIST_DIR}/KelvoScriptparserConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/KelvoScriptparserConfig.cmake
  INSTALL_DESTINATION ${KELVO_INSTALL_CMAKEDIR})
write_basic_package_version_file(
  ${CMAKE_CURRENT_BINARY_DIR}/KelvoScriptparserConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${CMAKE_CURRENT_BINARY_DIR}/KelvoScriptparserConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/KelvoScriptparserConfigVersion.cmake
  DESTINATION ${KELVO_INSTALL_CMAKEDIR})

if(kelvo_top_level)
  set(CPACK_PACKAGE_NAME KelvoScriptparser)
  set(CPACK_PACKAGE_VENDOR KelvoScriptparser)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Translates source scripts into the engine's host script")
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SOURCE_GENERATOR ZIP)
  if(WIN32)
    set(CPACK_SYSTEM_NAME win32)
  endif()
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  include(CPack)
endif()

# The install tree in use: a consumer project finds and links the package.
# (Not with sanitizers: the plain consumer cannot load a sanitized library.)
if(KELVO_BUILD_TESTS AND NOT CMAKE_CROSSCOMPILING AND NOT KELVO_SANITIZE)
  add_test(NAME install_and_consume
    COMMAND ${CMAKE_COMMAND}
      -DBUILD_DIR=${CMAKE_BINARY_DIR}
      -DSOURCE_DIR=${PROJECT_SOURCE_DIR}/tests/consumer
      -DWORK_DIR=${CMAKE_BINARY_DIR}/consumer
      -DGENERATOR=${CMAKE_GENERATOR}
      -DC_COMPILER=${CMAKE_C_COMPILER}
      -DINCLUDEDIR=${CMAKE_INSTALL_INCLUDEDIR}
      -DCMAKEDIR=${KELVO_INSTALL_CMAKEDIR}
      -P ${PROJECT_SOURCE_DIR}/tests/consumer/run_consumer_test.cmake)
  # The file list of the install tree, and kelvo in its bin/.
  if(TARGET kelvo)
    add_test(NAME install_tree_files
      COMMAND ${CMAKE_COMMAND}
        -DBUILD_DIR=${CMAKE_BINARY_DIR}
        -DWORK_DIR=${CMAKE_BINARY_DIR}/install-tree
        -DLIBDIR=${CMAKE_INSTALL_LIBDIR}
        -DCONFIG=$<LOWER_CASE:$<CONFIG>>
        -DVERSION=${PROJECT_VERSION}
        -DVSIX=$<$<TARGET_EXISTS:kelvo_vsix>:${CMAKE_BINARY_DIR}/kelvo.vsix>
        -P ${PROJECT_SOURCE_DIR}/tests/install/check_install_tree.cmake)
  endif()
endif()
