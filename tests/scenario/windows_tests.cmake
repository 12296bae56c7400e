# Windows test programs (included from tests/CMakeLists.txt on WIN32).
#
# Layout under ${PROJECT_BINARY_DIR}/tests, so that the module's
# LoadLibraryA("libcurl.dll") finds only the libcurl a case asks for (the
# runner's own folder holds none):
#   scenario_runner.exe
#   curl/libcurl.dll                   the real one, built with Schannel
#   fake-curl-recording/libcurl.dll    records its calls, serves "abcdefg"
#   fake-curl-incomplete/libcurl.dll   the same without curl_easy_perform
set(PAGERATES_WIN_TEST_DIR ${PROJECT_BINARY_DIR}/tests)
if(NOT PAGERATES_CURL_DLL)
  message(FATAL_ERROR "libcurl.dll not found in CMAKE_PREFIX_PATH (bin/)")
endif()

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  # Calling conventions and record layout checked at run time.
  set(PAGERATES_RUNNER_ABI_SOURCES scenario/abi_checks_i686.c)
else()
  set(PAGERATES_RUNNER_ABI_SOURCES scenario/abi_checks_other.c)
endif()
add_executable(scenario_runner scenario/scenario_runner.cc scenario/c_sink.c
               scenario/module_host_windows.cc ${PAGERATES_RUNNER_ABI_SOURCES})
target_include_directories(scenario_runner PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(scenario_runner PRIVATE pagerates_host_lib pagerates_output_lib)
set_target_properties(scenario_runner PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                                 ${PAGERATES_WIN_TEST_DIR})
add_dependencies(scenario_runner pagerates_module)
pagerates_warnings(scenario_runner)

foreach(fake recording incomplete)
  add_library(fake_curl_${fake} SHARED fakes/fake_curl.c)
  target_compile_definitions(fake_curl_${fake} PRIVATE
                             "FAKE_CURL_EXPORT=__declspec(dllexport)")
  set_target_properties(fake_curl_${fake} PROPERTIES
    OUTPUT_NAME libcurl PREFIX ""
    RUNTIME_OUTPUT_DIRECTORY ${PAGERATES_WIN_TEST_DIR}/fake-curl-${fake}
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/fake-curl-${fake})
  target_link_options(fake_curl_${fake} PRIVATE -static)
  add_dependencies(scenario_runner fake_curl_${fake})
  pagerates_warnings(fake_curl_${fake})
endforeach()
target_compile_definitions(fake_curl_incomplete PRIVATE FAKE_CURL_OMIT_PERFORM)

# The real libcurl, for the cases against the loopback server.
add_custom_command(TARGET scenario_runner POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PAGERATES_WIN_TEST_DIR}/curl
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${PAGERATES_CURL_DLL}
          ${PAGERATES_WIN_TEST_DIR}/curl/libcurl.dll)
