# The Debian packages CPack makes: names, Depends and Recommends, and their
# files together are the installed tree; the CLI runs from the unpacked
# packages.
include(${CMAKE_CURRENT_LIST_DIR}/common.cmake)

file(REMOVE_RECURSE ${WORK})
must("cpack" COMMAND ${CPACK} -G DEB --config ${BUILD}/CPackConfig.cmake -B ${WORK})
file(GLOB debs RELATIVE ${WORK} ${WORK}/*.deb)
list(SORT debs)
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE arch
                OUTPUT_STRIP_TRAILING_WHITESPACE)
set(module_deb pagerates_${VERSION}_${arch}.deb)
set(tools_deb pagerates-tools_${VERSION}_${arch}.deb)
if(NOT debs STREQUAL "${tools_deb};${module_deb}")
  message(FATAL_ERROR "cpack made ${debs}")
endif()

function(field deb name var)
  execute_process(COMMAND dpkg-deb -f ${WORK}/${deb} ${name} OUTPUT_VARIABLE value
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  message(STATUS "${deb} ${name}: ${value}")
  set(${var} "${value}" PARENT_SCOPE)
endfunction()

# The module needs PCRE; libcurl only for a second preset.
field(${module_deb} Depends depends)
expect_match("${module_deb} Depends" "${depends}" "(^|, )libpcre3( |,|$)")
expect_no_match("${module_deb} Depends" "${depends}" "curl")
field(${module_deb} Recommends recommends)
expect_match("${module_deb} Recommends" "${recommends}" "^libcurl4$")
# The command links libcurl and loads the module of the same version.
field(${tools_deb} Depends depends)
expect_match("${tools_deb} Depends" "${depends}" "(^|, )libcurl4( |,|$)")
expect_match("${tools_deb} Depends" "${depends}" "(^|, )pagerates \\(= ${VERSION}\\)(,|$)")

foreach(deb ${module_deb} ${tools_deb})
  must("${deb} contents" COMMAND dpkg-deb -c ${WORK}/${deb})
  string(REGEX REPLACE "(^|\n)[-d][^\n]* \\./usr/[^\n]*" "" odd "${must_out}")
  if(NOT odd STREQUAL "\n")
    fail("${deb}: entries outside /usr or of odd types:${odd}")
  endif()
  must("unpack ${deb}" COMMAND dpkg-deb -x ${WORK}/${deb} ${WORK}/root)
endforeach()
must("tools contents" COMMAND dpkg-deb -c ${WORK}/${tools_deb})
expect_match("${tools_deb} files" "${must_out}" "^[^\n]*\\./usr/\n[^\n]*\\./usr/bin/\n[^\n]*\\./usr/bin/pagerates\n$")
check_tree("unpacked packages" ${WORK}/root/usr)

execute_process(COMMAND ${WORK}/root/usr/bin/pagerates info --ini
                        ${WORK}/root/usr/share/pagerates/examples/text-list/pagerates.ini
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
expect_match("unpacked CLI info" "${rc}: ${out}${err}" "^0: name: [^\n]+\n")

finish()
