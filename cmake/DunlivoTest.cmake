# dunlivo_add_test(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>])
#
# One Qt Test executable per unit, registered with CTest. Every test runs on the offscreen
# platform; its own temporary prefix is made by the test main (tests/support/testmain.h).
function(dunlivo_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE testsupport ${T_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  set_tests_properties(${name} PROPERTIES
    # No test reaches the desktop's buses: a test that speaks D-Bus starts a bus of its own.
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;DUNLIVO_TEST_BIN=${CMAKE_BINARY_DIR}/bin;DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/dunlivo-test-bus;DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/dunlivo-test-bus"
    TIMEOUT ${T_TIMEOUT}
    LABELS "${T_LABELS}")
endfunction()
