# Cross build for x86_64 Windows with Debian's mingw-w64 (posix thread model).
# Third-party libraries: the prefixes in CMAKE_PREFIX_PATH (the win32/win64
# presets name those scripts/win/build-deps.sh makes in .cache/win/x86_64).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(PAGERATES_WIN_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
