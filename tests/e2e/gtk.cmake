# The GTK program's tests on a virtual X display (Linux builds only):
#   gtk_window_test  the window contract on real GTK widgets (GoogleTest)
#   gtk_e2e          lumeno against the demo store, driven with xdotool like a user
if(WIN32 OR CMAKE_CROSSCOMPILING OR NOT TARGET lumeno_gtk_window)
  return()
endif()

set(gtk_xvfb ${CMAKE_CURRENT_SOURCE_DIR}/gtk_xvfb.sh)
# Sanitizer builds: the toolkit's process-lifetime allocations are not leaks of ours.
set(gtk_env "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/gtk_lsan.supp:print_suppressions=0")

add_executable(gtk_window_test ${CMAKE_CURRENT_SOURCE_DIR}/gtk_window_test.cpp)
target_link_libraries(gtk_window_test PRIVATE lumeno_gtk_window gmock gtest_main)
# One X display for the whole binary: each case would otherwise start its own.
add_test(NAME gtk_window_test COMMAND ${gtk_xvfb} $<TARGET_FILE:gtk_window_test> --gtest_brief=1)
set_tests_properties(gtk_window_test PROPERTIES TIMEOUT 180 LABELS gtk ENVIRONMENT "${gtk_env}")

# demo-store is defined after the tests (tools/ comes later), hence the file check.
if(TARGET lumeno AND EXISTS ${PROJECT_SOURCE_DIR}/tools/demo-store/CMakeLists.txt)
  add_test(NAME gtk_e2e
           COMMAND ${gtk_xvfb} ${CMAKE_CURRENT_SOURCE_DIR}/gtk_e2e.sh $<TARGET_FILE:lumeno>
                   $<TARGET_FILE:demo-store> ${CMAKE_CURRENT_BINARY_DIR}/gtk_e2e)
  set_tests_properties(gtk_e2e PROPERTIES TIMEOUT 300 LABELS gtk ENVIRONMENT "${gtk_env}")
endif()
