# Installs the build into a DESTDIR, moves the tree elsewhere, and uses it
# from a third folder: the CLI finds its module relative to itself, runs
# sample and shipped presets, and a host project finds the CMake package.
include(${CMAKE_CURRENT_LIST_DIR}/common.cmake)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/elsewhere)
must("install" COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${WORK}/stage
               ${CMAKE_COMMAND} --install ${BUILD} --prefix /opt/pagerates)
set(tree ${WORK}/moved/tree)
file(MAKE_DIRECTORY ${WORK}/moved)
file(RENAME ${WORK}/stage/opt/pagerates ${tree})
check_tree("installed tree" ${tree})

set(cli ${tree}/bin/pagerates)
function(run name)
  execute_process(COMMAND ${cli} ${ARGN} WORKING_DIRECTORY ${WORK}/elsewhere
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(${name}_rc "${rc}" PARENT_SCOPE)
  set(${name}_out "${out}" PARENT_SCOPE)
  set(${name}_err "${err}" PARENT_SCOPE)
  if(NOT rc EQUAL 0)
    fail("${name}: exit status ${rc}\n${out}\n${err}")
  endif()
endfunction()

run(version --version)
expect_match(version "${version_out}" "^pagerates ${VERSION}\n$")

set(sample ${tree}/share/pagerates/examples/xml-daily-feed)
run(sample_info info --ini ${sample}/pagerates.ini)
expect_match(sample_info "${sample_info_out}" "^name: Daily reference rates \\(XML\\)\n")
run(sample_scan scan --ini ${sample}/pagerates.ini --date 2016-09-08 --format csv
                ${sample}/page.xml)
string(JOIN "\n" expected_scan "date,code,name,value1,value2"
  2016-09-08,USD,,11.2410,10.0000 2016-09-08,JPY,,1152.5000,10.0000
  2016-09-08,GBP,,8.4355,10.0000 2016-09-08,CHF,,10.9450,10.0000
  2016-09-08,SEK,,95.8350,10.0000 2016-09-08,PLN,,43.3130,10.0000
  "2016-09-08,CZK,,270.2400,10.0000\n")
if(NOT sample_scan_out STREQUAL expected_scan)
  fail("sample scan printed\n${sample_scan_out}")
endif()

# Every shipped preset loads and names itself.
file(GLOB shipped LIST_DIRECTORIES true ${tree}/share/pagerates/presets/*)
foreach(dir ${shipped})
  cmake_path(GET dir FILENAME name)
  run(shipped_${name} info --ini ${dir}/pagerates.ini)
  expect_match("shipped preset ${name}" "${shipped_${name}_out}" "^name: [^\n]+\n")
endforeach()
list(LENGTH shipped shipped_count)
message(STATUS "${shipped_count} shipped preset(s) checked")
# ... and by name: `sources` lists them all, `--source` uses one.
run(sources sources)
expect_match(sources "${sources_out}" "\n${shipped_count} sources in [^\n]*/share/pagerates/presets\n$")
run(source_info info --source ecb-eurofxref)
expect_match(source_info "${source_info_out}" "home-currency-code: EUR\n")

# --module wins over the installed module.
execute_process(COMMAND ${cli} --module ${WORK}/elsewhere/none.so info
                RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
expect_match(module_option "${rc}: ${err}" "^1: pagerates: cannot load module [^\n]*/none.so: ")

# Without a module beside it or in its tree, the CLI says where it looked.
file(MAKE_DIRECTORY ${WORK}/lonely/bin)
file(COPY ${cli} DESTINATION ${WORK}/lonely/bin)
execute_process(COMMAND ${WORK}/lonely/bin/pagerates info
                RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
expect_match(no_module "${rc}: ${err}"
  "^1: pagerates: no module at [^\n]*/lonely/bin/pagerates.so or [^\n]*/lonely/bin/[^\n]*/pagerates.so; use --module\n$")

# A host project: find_package(pagerates) gives the header and the module.
set(host ${WORK}/host)
file(WRITE ${host}/CMakeLists.txt [=[
cmake_minimum_required(VERSION 3.25)
project(host C)
find_package(pagerates 0.1 REQUIRED CONFIG)
add_executable(host host.c)
target_link_libraries(host PRIVATE pagerates::abi)
file(GENERATE OUTPUT module-path.txt CONTENT "$<TARGET_FILE:pagerates::module>")
]=])
file(WRITE ${host}/host.c [=[
#include <pagerates/abi.h>
int main(void) {
  RateDate date = {2016, 9, 8};
  return sizeof(RateDate) == 4 && date.day == 8 ? 0 : 1;
}
]=])
must("host configure" COMMAND ${CMAKE_COMMAND} -S ${host} -B ${host}/build -G ${GENERATOR}
                      -DCMAKE_C_COMPILER=${C_COMPILER} -DCMAKE_PREFIX_PATH=${tree})
must("host build" COMMAND ${CMAKE_COMMAND} --build ${host}/build)
must("host run" COMMAND ${host}/build/host)
file(READ ${host}/build/module-path.txt module_path)
if(NOT module_path STREQUAL "${tree}/${MODULE_DIR}/pagerates.so")
  fail("pagerates::module is ${module_path}")
endif()

finish()
