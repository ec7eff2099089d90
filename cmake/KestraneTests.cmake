# Test helpers shared by every folder under tests/.
#
#   kestrane_native_test(NAME <name> AREA <area> SOURCES ... [LIBS ...])
#       A GoogleTest executable of portable code, built natively with the sanitizers;
#       CTest test "native.<name>", labels "native;<area>".
#   kestrane_windows_test(NAME <name> AREA <area> SOURCES ... [LIBS ...] [TIMEOUT s])
#       A GoogleTest executable of the Windows build, run under Wine in the per-run prefix
#       (fixture "wine", see tools/wine-harness.sh); CTest test "windows.<name>",
#       labels "windows;<area>".
#   kestrane_serial_drop_test(NAME <name> AREA <area> TARGET <test target> FILTER <gtest filter>)
#       The cases of a Windows test that pull serial pair B and make it again, run under the
#       harness's serial-drop; CTest test "windows.<name>".
#
# Areas: decoder, log, serial, settings, layer, controls, app, events, e2e.

set(KESTRANE_HARNESS_DIR ${CMAKE_BINARY_DIR}/harness)
set(KESTRANE_HARNESS ${CMAKE_SOURCE_DIR}/tools/wine-harness.sh)

function(kestrane_native_test)
  cmake_parse_arguments(T "" "NAME;AREA" "SOURCES;LIBS" ${ARGN})
  add_executable(test_${T_NAME} ${T_SOURCES})
  target_link_libraries(test_${T_NAME} PRIVATE kestrane_portable GTest::gtest_main ${T_LIBS})
  add_test(NAME native.${T_NAME} COMMAND test_${T_NAME})
  set_tests_properties(native.${T_NAME} PROPERTIES LABELS "native;${T_AREA}" TIMEOUT 600)
endfunction()

# The Wine fixture: made once per ctest run, torn down after the last Windows test,
# also when tests fail. Only defined in the Windows build.
function(kestrane_wine_fixture)
  if(TARGET wine_fixture_defined)
    return()
  endif()
  add_custom_target(wine_fixture_defined)
  add_test(NAME wine.setup COMMAND ${KESTRANE_HARNESS} setup ${KESTRANE_HARNESS_DIR})
  add_test(NAME wine.cleanup COMMAND ${KESTRANE_HARNESS} cleanup ${KESTRANE_HARNESS_DIR})
  set_tests_properties(wine.setup PROPERTIES FIXTURES_SETUP wine LABELS "windows" TIMEOUT 300)
  set_tests_properties(wine.cleanup PROPERTIES FIXTURES_CLEANUP wine LABELS "windows" TIMEOUT 120)
endfunction()

function(kestrane_windows_test)
  cmake_parse_arguments(T "" "NAME;AREA;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_executable(test_${T_NAME} ${T_SOURCES})
  target_link_libraries(test_${T_NAME} PRIVATE kestrane_portable gtest_main ${T_LIBS})
  # add_test(NAME .. COMMAND <target>) is the form CMake runs through the emulator (Wine).
  add_test(NAME windows.${T_NAME} COMMAND test_${T_NAME})
  set_tests_properties(windows.${T_NAME} PROPERTIES LABELS "windows;${T_AREA}" TIMEOUT ${T_TIMEOUT})
  if(CMAKE_CROSSCOMPILING)
    # On Linux the test runs under Wine inside the run's prefix; on Windows it just runs.
    kestrane_wine_fixture()
    set_tests_properties(windows.${T_NAME} PROPERTIES
      FIXTURES_REQUIRED wine
      ENVIRONMENT "KESTRANE_HARNESS_DIR=${KESTRANE_HARNESS_DIR}")
  endif()
endfunction()

function(kestrane_serial_drop_test)
  cmake_parse_arguments(T "" "NAME;AREA;TARGET;FILTER" "" ${ARGN})
  add_test(NAME windows.${T_NAME}
           COMMAND ${KESTRANE_HARNESS} serial-drop B $<TARGET_FILE:${T_TARGET}>
                   --gtest_filter=${T_FILTER})
  set_tests_properties(windows.${T_NAME} PROPERTIES
    LABELS "windows;${T_AREA}" TIMEOUT 300 FIXTURES_REQUIRED wine
    ENVIRONMENT "KESTRANE_HARNESS_DIR=${KESTRANE_HARNESS_DIR}")
endfunction()
