# Chooses the platform layer and how the module is linked.
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/platform_windows.cmake)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(PCRE REQUIRED IMPORTED_TARGET libpcre)
  set(PAGERATES_PCRE_TARGET PkgConfig::PCRE)
  set(PAGERATES_PORT_SOURCES src/port/port_posix.cc src/port/profile_text.cc)
  set(PAGERATES_PORT_LIBS ${CMAKE_DL_LIBS})
  set(PAGERATES_MODULE_KIND MODULE)
  set(PAGERATES_MODULE_ENTRY_SOURCES src/port/module_entry_posix.cc)
  set(PAGERATES_MODULE_LINK_OPTIONS
      -Wl,--version-script=${PROJECT_SOURCE_DIR}/src/host/exports.map)
  if(NOT PAGERATES_BUILD_FUZZ)
    # Coverage instrumentation leaves its hooks to the program that loads us.
    list(APPEND PAGERATES_MODULE_LINK_OPTIONS -Wl,--no-undefined)
  endif()
endif()
