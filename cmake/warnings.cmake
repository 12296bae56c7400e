# pagerates_warnings(TARGET...): the warning flags of our own code, per
# target, so that a project including ours keeps its own.
function(pagerates_warnings)
  foreach(target ${ARGN})
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
                                             -Wconversion -Wno-sign-conversion)
  endforeach()
endfunction()
