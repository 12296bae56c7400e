# Runs the built `pagerates` on the bundled presets: `check` without and with
# their pages (each must be clean), `check` on a broken file (every problem
# named, nothing on stderr), where the module's message boxes go for `scan`,
# the price formats, and that each sample preset's scenario case holds the
# same files as the sample.
#
# cmake -DPAGERATES=<exe> -DMODULE=<module> -DSOURCE=<source dir>
#       -DWORK=<dir> -P check_command.cmake

foreach(var PAGERATES MODULE SOURCE WORK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/tmp")
set(ENV{TMPDIR} "${WORK}/tmp")

include(${SOURCE}/tests/support/script_checks.cmake)

# run(<name> ARGS ...): sets <name>_rc, _out, _err; runs in SOURCE.
function(run name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "ARGS")
  execute_process(COMMAND "${PAGERATES}" --module "${MODULE}" ${arg_ARGS}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err
                  WORKING_DIRECTORY "${SOURCE}")
  set(${name}_rc "${rc}" PARENT_SCOPE)
  set(${name}_out "${out}" PARENT_SCOPE)
  set(${name}_err "${err}" PARENT_SCOPE)
endfunction()

function(expect_rc name expected)
  if(NOT "${${name}_rc}" STREQUAL "${expected}")
    fail("${name}: exit status ${${name}_rc}, expected ${expected}\nstdout: ${${name}_out}\nstderr: ${${name}_err}")
  endif()
endfunction()

function(expect_equal name actual expected)
  if(NOT actual STREQUAL expected)
    fail("${name}: got\n${actual}\nexpected\n${expected}")
  endif()
endfunction()

function(expect_match name text regex)
  if(NOT text MATCHES "${regex}")
    fail("${name}: '${text}' does not match '${regex}'")
  endif()
endfunction()

# Every sample preset is clean, scans its page with every match delivered,
# and is what its scenario case tests.
file(GLOB samples LIST_DIRECTORIES true "${SOURCE}/examples/presets/*")
list(LENGTH samples sample_count)
if(sample_count LESS 4)
  fail("expected the four sample presets, found ${sample_count}")
endif()
foreach(dir ${samples})
  get_filename_component(sample "${dir}" NAME)
  set(ini "examples/presets/${sample}/pagerates.ini")
  file(GLOB page RELATIVE "${SOURCE}" "${dir}/page.*")
  run(clean_${sample} ARGS check --ini "${ini}")
  expect_rc(clean_${sample} 0)
  expect_match(clean_${sample} "${clean_${sample}_out}"
    "^Checking ${ini}: active preset \\[[^]\n]+\\]\nNo problems found\\.\n$")
  run(page_${sample} ARGS check --ini "${ini}" --page "${page}" --date 2016-09-08)
  expect_rc(page_${sample} 0)
  string(REGEX MATCH "\nSummary: ([0-9]+) matches of 1 record pattern, ([0-9]+) delivered, 0 filtered out\\.\n$"
         summary "${page_${sample}_out}")
  if(NOT summary OR NOT CMAKE_MATCH_1 STREQUAL CMAKE_MATCH_2)
    fail("page_${sample}: not every match delivered:\n${page_${sample}_out}")
  endif()
  expect_equal(page_${sample}_stderr "${page_${sample}_err}" "")
  # Its scenario case reads these very files.
  file(STRINGS "${SOURCE}/tests/scenarios/sample-${sample}/steps" from REGEX "^files ")
  if(NOT from STREQUAL "files ../../../examples/presets/${sample}")
    fail("tests/scenarios/sample-${sample}/steps does not read examples/presets/${sample}")
  endif()
endforeach()

# A file with every kind of problem: all of them named, exit status 1, and
# no message box anywhere.
file(READ "${SOURCE}/tools/testdata/broken_check.txt" expected_broken)
run(broken ARGS check --ini examples/check/broken.ini)
expect_rc(broken 1)
expect_equal(broken "${broken_out}" "${expected_broken}")
expect_equal(broken_stderr "${broken_err}" "")

# The same file scanned by the module that `scan` loads: its message boxes
# go to stderr, since the program's own hook is not offered to modules.
run(scan_boxes ARGS scan --ini examples/check/broken.ini --date 2016-09-08
                    examples/presets/html-table-cp1251/page.html)
expect_rc(scan_boxes 0)
expect_match(scan_boxes "${scan_boxes_err}"
  "^Configuration error: All active presets must have the same home currency\nConfiguration error: Preset \\[archive\\] not found in .*\nRegular expression error: missing \\) at:\n")

# A preset name that is not active, and a missing file.
run(bad_preset ARGS check --ini examples/check/broken.ini --preset feed
                    --page examples/presets/xml-daily-feed/page.xml --date 2016-09-08)
expect_rc(bad_preset 1)
expect_match(bad_preset "${bad_preset_out}"
  "\nCannot scan examples/presets/xml-daily-feed/page.xml: \\[feed\\] is not an active preset \\(active: \\[bank\\]\\)\n$")
run(missing_ini ARGS check --ini "${WORK}/no-such.ini")
expect_rc(missing_ini 1)
expect_match(missing_ini "${missing_ini_err}"
  "^pagerates: cannot read INI file [^\n]*no-such.ini: [^\n]+\n$")

# Prices: the home currency from the module, value2 / value1, or the other
# way round with --invert.
run(ledger ARGS scan --ini examples/presets/html-table-cp1251/pagerates.ini
                --date 2016-09-08 --format ledger
                examples/presets/html-table-cp1251/page.html)
expect_rc(ledger 0)
expect_match(ledger "${ledger_out}"
  "^P 2016-09-08 AUD 49.3117 RUB\n.*\nP 2016-09-08 KZT 0.190721 RUB\nP 2016-09-08 CNY 9.7315 RUB\nP 2016-09-08 JPY 0.635012 RUB\n$")
run(beancount ARGS scan --ini examples/presets/xml-daily-feed/pagerates.ini
                   --date 2016-09-08 --format beancount
                   examples/presets/xml-daily-feed/page.xml)
expect_rc(beancount 0)
expect_match(beancount "${beancount_out}"
  "^2016-09-08 price USD 0.8896005693 EUR\n2016-09-08 price JPY 0.008676789588 EUR\n")
run(inverted ARGS scan --ini examples/presets/xml-daily-feed/pagerates.ini
                  --date 2016-09-08 --format beancount --invert
                  examples/presets/xml-daily-feed/page.xml)
expect_match(inverted "${inverted_out}"
  "^2016-09-08 price USD 1.1241 EUR\n2016-09-08 price JPY 115.2500 EUR\n")

finish()
