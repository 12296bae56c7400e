# The module alone, built inside a host project (add_subdirectory) with the
# tools, tests and benchmark off, on a machine that may well have libcurl,
# GoogleTest and Google Benchmark installed. They are made unreachable: a
# dependency provider fails every find_package() for them, and pkg-config
# sees libpcre's file only. The cache must then name none of them, and the
# build gives the module and nothing of ours besides, and leaves packaging
# to the host project.
include(${CMAKE_CURRENT_LIST_DIR}/common.cmake)

file(REMOVE_RECURSE ${WORK})
set(host ${WORK}/host)
file(WRITE ${host}/CMakeLists.txt "
cmake_minimum_required(VERSION 3.25)
project(host C CXX)
set(PAGERATES_BUILD_TOOLS OFF)
set(PAGERATES_BUILD_TESTS OFF)
set(PAGERATES_BUILD_BENCH OFF)
add_subdirectory(\"${SOURCE}\" pagerates)
add_executable(host host.c)
target_link_libraries(host PRIVATE pagerates::abi)
add_dependencies(host pagerates_module)
")
file(WRITE ${host}/host.c "#include <pagerates/abi.h>\nint main(void) { return sizeof(RateRecord) == 0; }\n")
file(WRITE ${WORK}/providers.cmake [=[
macro(refuse_optional_packages method name)
  string(TOLOWER "${name}" lower)
  if(lower MATCHES "^(curl|gtest|gmock|benchmark)$")
    message(FATAL_ERROR "find_package(${name}) in a module-only build")
  endif()
  find_package(${name} ${ARGN} BYPASS_PROVIDER)
endmacro()
cmake_language(SET_DEPENDENCY_PROVIDER refuse_optional_packages
               SUPPORTED_METHODS FIND_PACKAGE)
]=])

must("pkg-config" COMMAND pkg-config --variable=pcfiledir libpcre)
string(STRIP "${must_out}" pc_dir)
file(COPY ${pc_dir}/libpcre.pc DESTINATION ${WORK}/pkgconfig)

must("configure" COMMAND ${CMAKE_COMMAND} -E env PKG_CONFIG_LIBDIR=${WORK}/pkgconfig
                         PKG_CONFIG_PATH=
                 ${CMAKE_COMMAND} -S ${host} -B ${WORK}/build -G ${GENERATOR}
                 -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER=${C_COMPILER}
                 -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
                 -DCMAKE_PROJECT_TOP_LEVEL_INCLUDES=${WORK}/providers.cmake)

# Entries (not comments) of the cache that name a left-out package.
file(STRINGS ${WORK}/build/CMakeCache.txt entries REGEX "^[A-Za-z_]")
foreach(entry ${entries})
  string(TOLOWER "${entry}" lower)
  if(lower MATCHES "curl|gtest|gmock|benchmark" AND NOT entry MATCHES "^PAGERATES_BUILD_")
    fail("the cache names a left-out package: ${entry}")
  endif()
endforeach()

must("build" COMMAND ${CMAKE_COMMAND} --build ${WORK}/build)
if(NOT EXISTS ${WORK}/build/pagerates/pagerates.so)
  fail("no module built")
endif()
file(GLOB_RECURSE programs LIST_DIRECTORIES false ${WORK}/build/pagerates/*)
list(FILTER programs INCLUDE REGEX "/(pagerates|pagerates_tests|pagerates_bench|scenario_runner)$")
if(programs)
  fail("a module-only build made ${programs}")
endif()
# Packaging is the including project's business.
if(EXISTS ${WORK}/build/CPackConfig.cmake)
  fail("the subproject wrote CPack's configuration into the host's build")
endif()

finish()
