# Shared part of the mingw-w64 toolchain files; PAGERATES_WIN_TRIPLE and
# CMAKE_SYSTEM_PROCESSOR are set by the including file.
set(CMAKE_C_COMPILER ${PAGERATES_WIN_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PAGERATES_WIN_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PAGERATES_WIN_TRIPLE}-windres)

# The libraries built from Debian's sources for this target.
get_filename_component(PAGERATES_WIN_DEPS
                       ${CMAKE_CURRENT_LIST_DIR}/../.cache/win/${CMAKE_SYSTEM_PROCESSOR} ABSOLUTE)
set(CMAKE_FIND_ROOT_PATH /usr/${PAGERATES_WIN_TRIPLE} ${PAGERATES_WIN_DEPS}/pcre
                         ${PAGERATES_WIN_DEPS}/curl-verified)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config looks only at the target's libraries, never at the build host's.
set(ENV{PKG_CONFIG_LIBDIR} ${PAGERATES_WIN_DEPS}/pcre/lib/pkgconfig:${PAGERATES_WIN_DEPS}/curl-verified/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
