# The layers of tools/: every #include in tools/<layer>/ must stay out of
# the folders that layer may not use. The host SDK (tools/host/) is linked
# by programs without the command line or the formats; the formats
# (tools/output/) by programs without the command line; the check command's
# logic (tools/check/) by its tests without the command line.
#
#   cmake -DSOURCE=<source tree> -P check_layers.cmake
include(${SOURCE}/tests/support/script_checks.cmake)

function(check_layer layer)
  file(GLOB_RECURSE files ${SOURCE}/tools/${layer}/*.h ${SOURCE}/tools/${layer}/*.cc)
  if(NOT files)
    fail("tools/${layer}: no sources found under ${SOURCE}")
  endif()
  foreach(file IN LISTS files)
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
    foreach(line IN LISTS includes)
      foreach(forbidden IN LISTS ARGN)
        if(line MATCHES "[\"</](tools/)?${forbidden}/")
          file(RELATIVE_PATH name ${SOURCE} ${file})
          fail("${name}: '${line}': tools/${layer}/ must not use tools/${forbidden}/")
        endif()
      endforeach()
    endforeach()
  endforeach()
endfunction()

check_layer(host cli output check)
check_layer(output cli check)
check_layer(check cli)
finish()
