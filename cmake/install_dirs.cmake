# Where `cmake --install` puts things, relative to the prefix.
#   POSIX:   bin/pagerates, lib/pagerates/pagerates.so (a plug-in folder of
#            its own), include/pagerates/abi.h, lib/cmake/pagerates/,
#            share/pagerates/{presets,examples}/, share/doc/pagerates/
#   Windows: one folder, laid out as the zip unpacks: pagerates.dll,
#            pagerates.exe and libcurl.dll together, presets/ beside them.
include(GNUInstallDirs)
if(WIN32)
  set(PAGERATES_INSTALL_BINDIR .)
  set(PAGERATES_INSTALL_MODULEDIR .)
  set(PAGERATES_INSTALL_PRESETDIR presets)
else()
  set(PAGERATES_INSTALL_BINDIR ${CMAKE_INSTALL_BINDIR})
  set(PAGERATES_INSTALL_MODULEDIR ${CMAKE_INSTALL_LIBDIR}/pagerates CACHE STRING
      "Folder of the installed module, relative to the prefix")
  set(PAGERATES_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/pagerates)
  set(PAGERATES_INSTALL_PRESETDIR ${PAGERATES_INSTALL_DATADIR}/presets)
  set(PAGERATES_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/pagerates)
endif()
foreach(dir BINDIR MODULEDIR)
  cmake_path(ABSOLUTE_PATH PAGERATES_INSTALL_${dir} BASE_DIRECTORY ${CMAKE_INSTALL_PREFIX}
             NORMALIZE OUTPUT_VARIABLE PAGERATES_INSTALL_${dir}_FULL)
endforeach()
