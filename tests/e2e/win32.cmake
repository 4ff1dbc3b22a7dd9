# The Windows program's tests: its window under wine64, its imports, and the end-to-end
# run of lumeno.exe against the loopback demo store under Xvfb.
if(NOT WIN32 OR NOT TARGET lumeno)
  return()
endif()

# Both tests that make windows share a wine prefix of their own and run one at a time,
# each on a private Xvfb display.
set(win32_wineprefix ${CMAKE_CURRENT_BINARY_DIR}/win32-wineprefix)

# The real window with a recording event sink. Wine makes windows only on an X display, so
# the suite runs through the Xvfb wrapper rather than the plain emulator.
add_executable(win32_window_test ${CMAKE_CURRENT_LIST_DIR}/win32_window_test.cpp)
target_link_libraries(win32_window_test PRIVATE lumeno_win32_window imm32 gmock gtest_main)
# Only 64-bit programs run here (wine64; see PLATFORM-NOTES); the 32-bit build compiles it.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  add_test(NAME win32_window_test
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/win32_xvfb.sh ${win32_wineprefix}
            $<TARGET_FILE:win32_window_test> --gtest_brief=1)
  set_tests_properties(win32_window_test PROPERTIES TIMEOUT 180 RESOURCE_LOCK win32-wineprefix)
endif()

# PE32 / PE32+, Windows GUI subsystem, only system DLLs imported, and never wininet.dll.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(win32_objdump i686-w64-mingw32-objdump)
  set(win32_format pei-i386)
else()
  set(win32_objdump x86_64-w64-mingw32-objdump)
  set(win32_format pei-x86-64)
endif()
add_test(NAME win32_imports
  COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${win32_objdump} -DFORMAT=${win32_format}
          -DPROGRAM=$<TARGET_FILE:lumeno> -P ${CMAKE_CURRENT_LIST_DIR}/win32_imports.cmake)

# lumeno.exe end to end, on the 64-bit build for the same reason.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  add_test(NAME win32_e2e
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/win32_e2e.py
            --program $<TARGET_FILE:lumeno>
            --source-dir ${PROJECT_SOURCE_DIR}
            --work-dir ${CMAKE_CURRENT_BINARY_DIR}/win32_e2e
            --wineprefix ${win32_wineprefix})
  set_tests_properties(win32_e2e PROPERTIES TIMEOUT 300 LABELS e2e RESOURCE_LOCK win32-wineprefix)
endif()
