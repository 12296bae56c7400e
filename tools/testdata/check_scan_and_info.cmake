# Runs the built `pagerates` against the built module: scan and info with
# the example INI and page, and the exit statuses of the failure paths.
#
# cmake -DPAGERATES=<exe> -DMODULE=<module> -DDATA=<testdata> -DWORK=<dir>
#       -P check_scan_and_info.cmake

foreach(var PAGERATES MODULE DATA WORK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/tmp")
# Private directories made for --ini land here, so that we can see they go.
set(ENV{TMPDIR} "${WORK}/tmp")

set(failures 0)
macro(fail what)
  message(SEND_ERROR "${what}")
  math(EXPR failures "${failures} + 1")
endmacro()

# run(<name> ARGS ... [INPUT file] [DIR dir]): sets <name>_rc, _out, _err.
function(run name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "INPUT;DIR" "ARGS")
  set(extra)
  if(arg_INPUT)
    list(APPEND extra INPUT_FILE "${arg_INPUT}")
  endif()
  if(arg_DIR)
    list(APPEND extra WORKING_DIRECTORY "${arg_DIR}")
  endif()
  execute_process(COMMAND "${PAGERATES}" ${arg_ARGS}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err
                  ${extra})
  set(${name}_rc "${rc}" PARENT_SCOPE)
  set(${name}_out "${out}" PARENT_SCOPE)
  set(${name}_err "${err}" PARENT_SCOPE)
endfunction()

macro(expect_rc name expected)
  if(NOT "${${name}_rc}" STREQUAL "${expected}")
    fail("${name}: exit status ${${name}_rc}, expected ${expected}\nstdout: ${${name}_out}\nstderr: ${${name}_err}")
  endif()
endmacro()

macro(expect_equal name actual expected)
  if(NOT "${actual}" STREQUAL "${expected}")
    fail("${name}: got\n${actual}\nexpected\n${expected}")
  endif()
endmacro()

macro(expect_match name text regex)
  if(NOT "${text}" MATCHES "${regex}")
    fail("${name}: '${text}' does not match '${regex}'")
  endif()
endmacro()

set(ini "${DATA}/example.ini")
set(page "${DATA}/example_page.html")
file(READ "${DATA}/example_scan.jsonl" expected_jsonl)
set(module_args --module "${MODULE}")

# The worked example, page from a file.
run(scan_jsonl ARGS ${module_args} scan --ini "${ini}" --date 2016-09-07
                    --format jsonl "${page}")
expect_rc(scan_jsonl 0)
expect_equal(scan_jsonl "${scan_jsonl_out}" "${expected_jsonl}")
expect_equal(scan_jsonl_stderr "${scan_jsonl_err}" "")

# Page from standard input ("-"), CSV, request shown; relative INI path.
run(scan_csv ARGS ${module_args} scan -v --ini example.ini --date 2016-09-07
                  --format csv - INPUT "${page}" DIR "${DATA}")
expect_rc(scan_csv 0)
expect_equal(scan_csv "${scan_csv_out}"
  "date,code,name,value1,value2\n2016-09-08,USD,,1.0000,64.9213\n2016-09-08,JPY,,100.0000,63.5012\n")
expect_equal(scan_csv_request "${scan_csv_err}"
  "request: path=/daily?d=07.09.2016 estimated-size=10 date-value=0x070907e0\n")

# Without a format and with stdout not a terminal: jsonl. No PAGE: stdin.
run(scan_default ARGS ${module_args} scan --ini "${ini}" --date 2016-09-07
                      INPUT "${page}")
expect_rc(scan_default 0)
expect_equal(scan_default "${scan_default_out}" "${expected_jsonl}")

# A page without rates: success, no output.
run(scan_empty ARGS ${module_args} scan --ini "${ini}" --date 2016-09-07
                    "${DATA}/example.ini")
expect_rc(scan_empty 0)
expect_equal(scan_empty "${scan_empty_out}" "")

run(info ARGS ${module_args} info --ini "${ini}")
expect_rc(info 0)
expect_match(info "${info_out}"
  "^name: Example bank\nserver: rates\\.example\nhome-currency-code: RUB\nhome-currency-name: Russian rouble\ncode-page: 65001\nauthor: [^\n]*\nemail: [^\n]*\nhome-page: [^\n]*\n$")

# The module beside the executable, with whatever INI is beside it.
run(info_default ARGS info)
expect_rc(info_default 0)
expect_match(info_default "${info_default_out}" "\ncode-page: 65001\n")

# A module with no INI file beside it: info says which file it looked for.
get_filename_component(module_name "${MODULE}" NAME)
get_filename_component(module_stem "${MODULE}" NAME_WE)
file(MAKE_DIRECTORY "${WORK}/alone")
file(COPY "${MODULE}" DESTINATION "${WORK}/alone")
run(info_no_ini ARGS --module "${WORK}/alone/${module_name}" info)
expect_rc(info_no_ini 0)
expect_match(info_no_ini "${info_no_ini_err}"
  "^pagerates: no INI file beside the module: it looked for [^\n]*alone/${module_stem}\\.ini \\([^\n]+\\), so it has no presets\n$")
expect_match(info_no_ini "${info_no_ini_out}" "^name: \nserver: \n")

# Failures: unreadable page (after the module was loaded through the
# private directory), missing INI, missing module.
run(missing_page ARGS ${module_args} scan --ini "${ini}" --date 2016-09-07
                      "${WORK}/no-such-page.html")
expect_rc(missing_page 1)
expect_match(missing_page "${missing_page_err}"
  "^pagerates: cannot read page [^\n]*no-such-page.html: [^\n]+\n$")

run(missing_ini ARGS ${module_args} info --ini "${WORK}/no-such.ini")
expect_rc(missing_ini 1)
expect_match(missing_ini "${missing_ini_err}"
  "^pagerates: cannot read INI file [^\n]*no-such.ini: [^\n]+\n$")

run(missing_module ARGS --module "${WORK}/no-such-module.so" info)
expect_rc(missing_module 1)
expect_match(missing_module "${missing_module_err}"
  "^pagerates: cannot load module [^\n]*no-such-module.so: [^\n]+\n$")

run(missing_module_ini ARGS --module "${WORK}/no-such-module.so" info
                            --ini "${ini}")
expect_rc(missing_module_ini 1)
expect_match(missing_module_ini "${missing_module_ini_err}"
  "^pagerates: cannot load module [^\n]*no-such-module.so: [^\n]+\n$")

# Usage errors and help.
run(bad_date ARGS ${module_args} scan --date 2016-02-30 "${page}")
expect_rc(bad_date 2)
expect_match(bad_date "${bad_date_err}" "2016-02-30.*\nUsage: pagerates")
expect_equal(bad_date_stdout "${bad_date_out}" "")

run(help ARGS --help)
expect_rc(help 0)
expect_match(help "${help_out}" "^Usage: pagerates.*info.*scan.*fetch")

# A command's --help is that command's usage: its own options only.
run(scan_help ARGS scan --help)
expect_rc(scan_help 0)
expect_match(scan_help "${scan_help_out}"
  "^Usage: pagerates \\[--module PATH\\] scan\n.*\n  --date DAY .*\n  --format FORMAT ")
if(scan_help_out MATCHES "--scheme|--page|\nCommands:")
  fail("scan_help: other commands' usage shown:\n${scan_help_out}")
endif()
run(help_check ARGS help check)
expect_rc(help_check 0)
expect_match(help_check "${help_check_out}"
  "^Usage: pagerates \\[--module PATH\\] check \\[--ini FILE.*\n  --page FILE ")

run(no_args ARGS)
expect_rc(no_args 0)
expect_match(no_args "${no_args_out}" "^Usage: pagerates")

# The shipped sources, copied beside the program in the build folder: every
# folder of presets/ listed, and --source naming one of them.
file(GLOB shipped LIST_DIRECTORIES true "${DATA}/../../presets/*/pagerates.ini")
list(LENGTH shipped shipped_count)
run(sources ARGS ${module_args} sources)
expect_rc(sources 0)
expect_match(sources "${sources_out}"
  "^ID +HOME +PAST DAYS +NAME\n.*\necb-eurofxref +EUR +no [^\n]*European Central Bank")
expect_match(sources "${sources_out}" "\n${shipped_count} sources in ")
run(source_info ARGS ${module_args} info --source cbr-xml-daily)
expect_rc(source_info 0)
expect_match(source_info "${source_info_out}" "home-currency-code: RUB\n")
run(source_check ARGS ${module_args} check --source ecb-eurofxref)
expect_rc(source_check 0)
run(source_unknown ARGS ${module_args} check --source ../ecb-eurofxref)
expect_rc(source_unknown 1)
expect_match(source_unknown "${source_unknown_err}"
  "^pagerates: no shipped source \\.\\./ecb-eurofxref \\(pagerates sources lists them\\)\n$")

# Every private directory is gone, error paths included.
file(GLOB leftovers "${WORK}/tmp/*")
if(leftovers)
  fail("temporary directories left behind: ${leftovers}")
endif()

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} check(s) failed")
endif()
