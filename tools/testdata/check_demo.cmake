# Runs the demo's main job (examples/demo/run.sh) with the built program and
# module and compares what it prints with examples/demo/expected_output.txt.
#
# cmake -DPAGERATES=<exe> -DMODULE=<module> -DSOURCE=<source dir>
#       -P check_demo.cmake

execute_process(COMMAND bash "${SOURCE}/examples/demo/run.sh" "${PAGERATES}"
                        "${MODULE}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err
                TIMEOUT 120)
file(READ "${SOURCE}/examples/demo/expected_output.txt" expected)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "run.sh ended with ${rc}\nstdout:\n${out}\nstderr:\n${err}")
endif()
if(NOT out STREQUAL expected)
  message(FATAL_ERROR "run.sh printed\n${out}\nexpected\n${expected}")
endif()
