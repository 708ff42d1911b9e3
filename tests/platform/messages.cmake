# Window messages, with a second program that owns windows and sends as another process.
add_executable(tst_winmsg_owner tst_winmsg_owner.cpp)
set_target_properties(tst_winmsg_owner PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
target_link_libraries(tst_winmsg_owner PRIVATE platform)
dunlivo_add_test(tst_winmsg SOURCES tst_winmsg.cpp LIBS platform)
add_dependencies(tst_winmsg tst_winmsg_owner)
target_compile_definitions(tst_winmsg PRIVATE WINMSG_OWNER="$<TARGET_FILE:tst_winmsg_owner>")
