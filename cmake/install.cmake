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
if(WIN32 AND TARGET kelvo)
  # The command-line translator goes beside the DLL in the ZIP for users.
  install(TARGETS kelvo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/include/KelvoScriptparser.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(WIN32)
  # The ZIP for users has the README at its top.
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
else()
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
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
endif()
