# Windows: the module is pagerates.dll on the Win32 services themselves.
#
# PCRE is the static library built from Debian's source package for this
# target (scripts/win/build-deps.sh); its pkg-config file carries
# -DPCRE_STATIC. The DLL links libgcc, libstdc++ and winpthread statically,
# so that it imports system DLLs only, and exports exactly the names in
# exports.def, undecorated.
find_package(PkgConfig REQUIRED)
pkg_check_modules(PCRE REQUIRED IMPORTED_TARGET libpcre)
set(PAGERATES_PCRE_TARGET PkgConfig::PCRE)
# profile_text.cc is pure code: the reader's integer rule for values read
# as text (numbered keys), and the file's text as `check` reads it.
set(PAGERATES_PORT_SOURCES src/port/port_windows.cc src/port/profile_text.cc)
set(PAGERATES_PORT_LIBS user32)
set(PAGERATES_MODULE_KIND SHARED)
set(PAGERATES_MODULE_ENTRY_SOURCES src/port/module_entry_windows.cc)
set(PAGERATES_MODULE_LINK_OPTIONS
    -static -Wl,--no-undefined -Wl,--enable-stdcall-fixup
    ${PROJECT_SOURCE_DIR}/src/host/exports.def)
# Every program of ours runs without the mingw runtime DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS "${CMAKE_EXE_LINKER_FLAGS} -static")
# The libcurl.dll of this target: shipped beside the module, loaded at run
# time by the module's multi-preset downloads and by the command's `fetch`.
# The module alone does without it.
find_file(PAGERATES_CURL_DLL libcurl.dll PATH_SUFFIXES bin NO_CACHE)
