# Install rules (folders in install_dirs.cmake) and the packages CPack makes
# of them. Two components: `module` (the module and what a host or preset
# author needs with it) and `tools` (the pagerates command; installed from
# tools/). Neither links libcurl: both load it at run time, the module for a
# second active preset, the command for `fetch`.
#   cpack -G DEB: pagerates_<version>_<arch>.deb, both components
#   cpack -G ZIP (Windows): pagerates-win32.zip or pagerates-win64.zip, one
#                 flat folder of both components

# Presets shipped for real sources, one folder each; none is an error only
# for packaging, not here.
set(PAGERATES_PRESETS_SOURCE ${PROJECT_SOURCE_DIR}/presets)

if(WIN32)
  install(TARGETS pagerates_module RUNTIME DESTINATION ${PAGERATES_INSTALL_MODULEDIR}
          COMPONENT module)
  if(PAGERATES_CURL_DLL)
    install(FILES ${PAGERATES_CURL_DLL} DESTINATION ${PAGERATES_INSTALL_BINDIR}
            COMPONENT module)
    # Stripped like the targets when they are (cmake --install --strip, CPack).
    install(CODE "if(CMAKE_INSTALL_DO_STRIP)
                    execute_process(COMMAND \"${CMAKE_STRIP}\"
                      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${PAGERATES_INSTALL_BINDIR}/libcurl.dll\")
                  endif()" COMPONENT module)
  endif()
  # The texts in the zip get Windows line ends, for Notepad; other files
  # (sample pages) are copied as they are.
  set(text_out ${PROJECT_BINARY_DIR}/package)
  set(text_files)
  foreach(name pagerates.ini INSTALL.txt)
    list(APPEND text_files ${PROJECT_SOURCE_DIR}/scripts/win/package/${name})
  endforeach()
  file(GLOB_RECURSE preset_files CONFIGURE_DEPENDS LIST_DIRECTORIES false
       RELATIVE ${PAGERATES_PRESETS_SOURCE} ${PAGERATES_PRESETS_SOURCE}/*)
  foreach(file ${text_files} ${preset_files})
    if(IS_ABSOLUTE ${file})
      set(source ${file})
      cmake_path(GET file FILENAME relative)
      set(destination .)
    else()
      set(source ${PAGERATES_PRESETS_SOURCE}/${file})
      set(relative presets/${file})
      cmake_path(GET relative PARENT_PATH destination)
    endif()
    if(relative MATCHES "\\.(ini|txt|md)$")
      file(READ ${source} content)
      string(REPLACE "\r\n" "\n" content "${content}")
      string(REPLACE "\n" "\r\n" content "${content}")
      file(WRITE ${text_out}/${relative} "${content}")
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
      set(source ${text_out}/${relative})
    endif()
    install(FILES ${source} DESTINATION ${destination} COMPONENT module)
  endforeach()
else()
  install(TARGETS pagerates_abi pagerates_module EXPORT pagerates-targets
          LIBRARY DESTINATION ${PAGERATES_INSTALL_MODULEDIR} COMPONENT module)
  set_target_properties(pagerates_module PROPERTIES EXPORT_NAME module)
  install(FILES ${PROJECT_SOURCE_DIR}/include/pagerates/abi.h
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/pagerates COMPONENT module)

  # find_package(pagerates): pagerates::abi (the header) and
  # pagerates::module (the installed module, for hosts that load it).
  include(CMakePackageConfigHelpers)
  install(EXPORT pagerates-targets NAMESPACE pagerates::
          DESTINATION ${PAGERATES_INSTALL_CMAKEDIR} COMPONENT module)
  file(WRITE ${PROJECT_BINARY_DIR}/pagerates-config.cmake
       "include(\${CMAKE_CURRENT_LIST_DIR}/pagerates-targets.cmake)\n")
  write_basic_package_version_file(${PROJECT_BINARY_DIR}/pagerates-config-version.cmake
                                   COMPATIBILITY SameMinorVersion)
  install(FILES ${PROJECT_BINARY_DIR}/pagerates-config.cmake
                ${PROJECT_BINARY_DIR}/pagerates-config-version.cmake
          DESTINATION ${PAGERATES_INSTALL_CMAKEDIR} COMPONENT module)

  if(EXISTS ${PAGERATES_PRESETS_SOURCE})
    install(DIRECTORY ${PAGERATES_PRESETS_SOURCE}/ DESTINATION ${PAGERATES_INSTALL_PRESETDIR}
            COMPONENT module)
  endif()
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/presets/
          DESTINATION ${PAGERATES_INSTALL_DATADIR}/examples COMPONENT module)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR}
          COMPONENT module)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}
          COMPONENT module)
endif()

# ---- CPack -----------------------------------------------------------------
# Packages are made of a top-level build only: CPack's configuration lands in
# the top build folder, where a project including ours keeps its own.
if(NOT PROJECT_IS_TOP_LEVEL)
  return()
endif()
set(CPACK_PACKAGE_NAME pagerates)
set(CPACK_PACKAGE_VENDOR "The pagerates developers")
set(CPACK_PACKAGE_CONTACT "The pagerates developers <pagerates@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Exchange-rate plug-in that scans published rate pages")
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL module)
if(PAGERATES_BUILD_TOOLS)
  list(APPEND CPACK_COMPONENTS_ALL tools)
endif()
string(CONCAT CPACK_COMPONENT_MODULE_DESCRIPTION
    "The module scans downloaded rate pages with regular-expression presets from\n"
    "an INI file beside it; with several presets active it downloads the other\n"
    "pages itself through libcurl. Includes the ABI header, the CMake package,\n"
    "the shipped and sample presets and the guides.")
string(CONCAT CPACK_COMPONENT_TOOLS_DESCRIPTION
    "The pagerates command loads the module as a host does: info, scan, fetch\n"
    "and check for trying presets out.")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Exchange-rate plug-in for personal-finance applications.\n"
    "${CPACK_COMPONENT_MODULE_DESCRIPTION}")
if(PAGERATES_BUILD_TOOLS)
  string(APPEND CPACK_PACKAGE_DESCRIPTION "\n${CPACK_COMPONENT_TOOLS_DESCRIPTION}")
endif()
set(CPACK_COMPONENT_TOOLS_DEPENDS module)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(CPACK_PACKAGE_FILE_NAME pagerates-win32)
  else()
    set(CPACK_PACKAGE_FILE_NAME pagerates-win64)
  endif()
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  set(CPACK_GENERATOR DEB)
  # One package of both components.
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_NAME pagerates)
  set(CPACK_DEBIAN_PACKAGE_SECTION misc)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # libcurl.so.4 is loaded only for a second active preset and by `fetch`.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS libcurl4)
endif()
include(CPack)
