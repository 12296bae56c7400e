# Failure counting for the CMake-script checks (cmake -P): fail() reports
# and counts, so that one run shows every failure; finish() ends the script
# with an error when anything failed. A global property holds the count so
# that functions can add to it; functions (not macros) keep regular
# expressions from being re-parsed.
set_property(GLOBAL PROPERTY failures 0)
function(fail what)
  message(SEND_ERROR "${what}")
  get_property(count GLOBAL PROPERTY failures)
  math(EXPR count "${count} + 1")
  set_property(GLOBAL PROPERTY failures ${count})
endfunction()

function(finish)
  get_property(count GLOBAL PROPERTY failures)
  if(count GREATER 0)
    message(FATAL_ERROR "${count} check(s) failed")
  endif()
endfunction()
