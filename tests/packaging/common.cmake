# Helpers of the packaging checks.
foreach(var SOURCE BUILD VERSION WORK MODULE_DIR PACKAGE_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

include(${SOURCE}/tests/support/script_checks.cmake)

# must(<what> COMMAND ...): runs the command; a failure ends the script.
# Sets must_out.
function(must what)
  execute_process(${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc})\n${out}\n${err}")
  endif()
  set(must_out "${out}" PARENT_SCOPE)
endfunction()

function(expect_match what text regex)
  if(NOT "${text}" MATCHES "${regex}")
    fail("${what}: '${text}' does not match '${regex}'")
  endif()
endfunction()

function(expect_no_match what text regex)
  if("${text}" MATCHES "${regex}")
    fail("${what}: '${text}' matches '${regex}'")
  endif()
endfunction()

# check_tree(<what> <root>): the files under <root> (a prefix) are exactly
# those an install lays out; shipped presets may come and go.
function(check_tree what root)
  set(expected
    bin/pagerates
    include/pagerates/abi.h
    ${MODULE_DIR}/pagerates.so
    share/doc/pagerates/README.md)
  file(GLOB guides RELATIVE ${SOURCE}/docs ${SOURCE}/docs/*)
  list(TRANSFORM guides PREPEND share/doc/pagerates/)
  file(GLOB_RECURSE samples RELATIVE ${SOURCE}/examples/presets ${SOURCE}/examples/presets/*)
  list(TRANSFORM samples PREPEND share/pagerates/examples/)
  set(presets)
  if(EXISTS ${SOURCE}/presets)
    file(GLOB_RECURSE presets RELATIVE ${SOURCE}/presets ${SOURCE}/presets/*)
    list(TRANSFORM presets PREPEND share/pagerates/presets/)
  endif()
  list(APPEND expected ${guides} ${samples} ${presets})
  list(SORT expected)
  file(GLOB_RECURSE found LIST_DIRECTORIES false RELATIVE ${root} ${root}/*)
  # The CMake package: its file names are CMake's to choose.
  list(FILTER found EXCLUDE REGEX "^${PACKAGE_DIR}/pagerates-[a-z-]*\\.cmake$")
  list(SORT found)
  if(NOT found STREQUAL expected)
    string(REPLACE ";" "\n  " found_text "${found}")
    string(REPLACE ";" "\n  " expected_text "${expected}")
    fail("${what}: installed\n  ${found_text}\nexpected\n  ${expected_text}")
  endif()
  foreach(name config config-version targets)
    if(NOT EXISTS ${root}/${PACKAGE_DIR}/pagerates-${name}.cmake)
      fail("${what}: ${PACKAGE_DIR}/pagerates-${name}.cmake is missing")
    endif()
  endforeach()
endfunction()
