# Checks the built program's PE header: cmake -DOBJDUMP=... -DFORMAT=pei-i386|pei-x86-64
# -DPROGRAM=lumeno.exe -P win32_imports.cmake. The program must be a GUI program that needs
# nothing beyond Windows' own DLLs, and must not import wininet.dll (the HTTP back-end binds
# it by name at run time, so a missing function is reported by the program itself).
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} -p ${PROGRAM} failed")
endif()

if(NOT dump MATCHES "file format ${FORMAT}")
  message(FATAL_ERROR "${PROGRAM} is not ${FORMAT}")
endif()
if(NOT dump MATCHES "Subsystem[ \t]+0+2[ \t]+\\(Windows GUI\\)")
  message(FATAL_ERROR "${PROGRAM} is not a Windows GUI program")
endif()

string(REGEX MATCHALL "DLL Name: [^\r\n]+" lines "${dump}")
set(allowed
  kernel32.dll user32.dll gdi32.dll comctl32.dll imm32.dll shell32.dll ole32.dll oleaut32.dll
  msvcrt.dll winmm.dll msacm32.dll advapi32.dll ws2_32.dll shlwapi.dll comdlg32.dll
  version.dll uxtheme.dll)
set(imports "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "DLL Name: " "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" dll)
  list(APPEND imports ${dll})
  if(dll STREQUAL "wininet.dll")
    message(FATAL_ERROR "${PROGRAM} imports wininet.dll; it must bind it at run time")
  endif()
  if(NOT dll IN_LIST allowed)
    message(FATAL_ERROR "${PROGRAM} imports ${dll}, which is not a Windows system DLL")
  endif()
endforeach()
list(REMOVE_DUPLICATES imports)
message(STATUS "${PROGRAM}: ${FORMAT}, Windows GUI, imports: ${imports}")
