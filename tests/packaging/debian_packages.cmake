# The Debian package CPack makes: its name, Depends and Recommends; its files
# are the installed tree; the CLI runs from the unpacked package.
include(${CMAKE_CURRENT_LIST_DIR}/common.cmake)

file(REMOVE_RECURSE ${WORK})
must("cpack" COMMAND ${CPACK} -G DEB --config ${BUILD}/CPackConfig.cmake -B ${WORK})
file(GLOB debs RELATIVE ${WORK} ${WORK}/*.deb)
list(SORT debs)
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE arch
                OUTPUT_STRIP_TRAILING_WHITESPACE)
set(deb pagerates_${VERSION}_${arch}.deb)
if(NOT debs STREQUAL "${deb}")
  message(FATAL_ERROR "cpack made ${debs}")
endif()

function(field name var)
  execute_process(COMMAND dpkg-deb -f ${WORK}/${deb} ${name} OUTPUT_VARIABLE value
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  message(STATUS "${deb} ${name}: ${value}")
  set(${var} "${value}" PARENT_SCOPE)
endfunction()

# PCRE is needed; libcurl only for a second preset and for `fetch`, which
# load it at run time.
field(Depends depends)
expect_match("${deb} Depends" "${depends}" "(^|, )libpcre3( |,|$)")
expect_no_match("${deb} Depends" "${depends}" "curl")
field(Description description)
expect_no_match("${deb} Description" "${description}" "\n ;")
field(Recommends recommends)
expect_match("${deb} Recommends" "${recommends}" "^libcurl4$")

must("${deb} contents" COMMAND dpkg-deb -c ${WORK}/${deb})
string(REGEX REPLACE "(^|\n)[-d][^\n]* \\./usr/[^\n]*" "" odd "${must_out}")
if(NOT odd STREQUAL "\n")
  fail("${deb}: entries outside /usr or of odd types:${odd}")
endif()
must("unpack ${deb}" COMMAND dpkg-deb -x ${WORK}/${deb} ${WORK}/root)
check_tree("unpacked packages" ${WORK}/root/usr)
foreach(binary bin/pagerates lib/pagerates/pagerates.so)
  must("${binary} needs" COMMAND readelf -d ${WORK}/root/usr/${binary})
  expect_no_match("${binary} needs" "${must_out}" "NEEDED[^\n]*curl")
endforeach()

execute_process(COMMAND ${WORK}/root/usr/bin/pagerates info --ini
                        ${WORK}/root/usr/share/pagerates/examples/text-list/pagerates.ini
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
expect_match("unpacked CLI info" "${rc}: ${out}${err}" "^0: name: [^\n]+\n")

finish()
