# Shared part of the mingw-w64 toolchain files; PAGERATES_WIN_TRIPLE and
# CMAKE_SYSTEM_PROCESSOR are set by the including file.
set(CMAKE_C_COMPILER ${PAGERATES_WIN_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PAGERATES_WIN_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PAGERATES_WIN_TRIPLE}-windres)

# The target's libraries are looked for in the compiler's own tree and in
# the prefixes of CMAKE_PREFIX_PATH (PCRE, libcurl built for the target;
# the presets name them), never on the build host.
set(CMAKE_FIND_ROOT_PATH /usr/${PAGERATES_WIN_TRIPLE} ${CMAKE_PREFIX_PATH})
# The compiler checks read this file again: same prefixes, same environment.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CMAKE_PREFIX_PATH)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config, likewise, reads the .pc files of those prefixes only.
set(pkg_config_dirs)
foreach(prefix ${CMAKE_PREFIX_PATH})
  list(APPEND pkg_config_dirs ${prefix}/lib/pkgconfig)
endforeach()
string(REPLACE ";" ":" pkg_config_dirs "${pkg_config_dirs}")
set(ENV{PKG_CONFIG_LIBDIR} "${pkg_config_dirs}")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
