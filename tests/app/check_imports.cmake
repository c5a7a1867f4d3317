# Fails unless the program imports only DLLs that every Windows system has
# and always takes from its own folder: the C++ and GCC runtimes must be
# linked in, and the sound library (WINMM, which a DLL of that name beside
# the program would replace) is loaded from the system directory at run time.
# Fails too unless both version fields of its header name the oldest Windows
# that has every function it imports, by the table below.
#   cmake -DOBJDUMP=... -DPROGRAM=... -P check_imports.cmake
set(allowed KERNEL32.dll USER32.dll GDI32.dll msvcrt.dll)

# Each function's oldest Windows, as NT version: 4.0 NT 4.0, 5.0 2000, 5.1 XP,
# 5.1.1 XP SP1, 5.2 XP x64, the first 64-bit Windows. From Microsoft's
# documentation ("minimum supported client"); the unwinding functions only
# 64-bit Windows has name none, so that one. For msvcrt.dll, the first
# Windows whose own msvcrt.dll exports the function, as MinGW-w64 records it.
set(minimums
  "5.0 GDI32 CreateBitmap CreateFontIndirectA DeleteObject GetDeviceCaps GetTextExtentPointA"
  "5.0 GDI32 GetTextMetricsA SelectObject"
  "5.0 KERNEL32 CloseHandle GetACP GetPrivateProfileIntA GetSystemDirectoryA IsDBCSLeadByteEx"
  "5.0 KERNEL32 MulDiv"
  "5.1 KERNEL32 CreateDirectoryW CreateFileW CreateSemaphoreW DeleteCriticalSection"
  "5.1 KERNEL32 EnterCriticalSection ExitProcess FreeLibrary GetCurrentThreadId GetFileAttributesW"
  "5.1 KERNEL32 GetFileType GetLastError GetModuleFileNameW GetModuleHandleA GetModuleHandleW"
  "5.1 KERNEL32 GetPrivateProfileIntW GetProcAddress GetShortPathNameW GetStartupInfoA"
  "5.1 KERNEL32 GetVersionExA GetWindowsDirectoryW GlobalAlloc GlobalFree GlobalLock GlobalSize"
  "5.1 KERNEL32 GlobalUnlock InitializeCriticalSection LeaveCriticalSection LoadLibraryA"
  "5.1 KERNEL32 LoadLibraryExA LockFileEx MultiByteToWideChar RaiseException ReleaseSemaphore"
  "5.1 KERNEL32 SetLastError SetUnhandledExceptionFilter Sleep TlsAlloc TlsFree TlsGetValue"
  "5.1 KERNEL32 TlsSetValue UnlockFileEx VirtualProtect VirtualQuery WaitForSingleObject"
  "5.1 KERNEL32 WideCharToMultiByte WritePrivateProfileStringA WritePrivateProfileStringW"
  "5.1.1 KERNEL32 SetDllDirectoryA"
  "5.2 KERNEL32 RtlCaptureContext RtlLookupFunctionEntry RtlUnwindEx RtlVirtualUnwind"
  "5.2 KERNEL32 __C_specific_handler"
  "5.0 USER32 CheckRadioButton CloseClipboard CreateDialogParamA DefWindowProcA DialogBoxParamA"
  "5.0 USER32 DispatchMessageA EmptyClipboard EndDialog GetClientRect GetClipboardData GetDC"
  "5.0 USER32 GetDlgItem GetMessageA GetWindowTextA KillTimer LoadAcceleratorsA LoadCursorA"
  "5.0 USER32 LoadIconA LoadStringA LoadStringW MessageBeep MessageBoxA MessageBoxW"
  "5.0 USER32 NotifyWinEvent OpenClipboard PeekMessageA PostMessageA PostQuitMessage"
  "5.0 USER32 RegisterClassA ReleaseDC SendMessageA SetClipboardData SetFocus SetWindowTextA"
  "5.0 USER32 ShowWindow"
  "5.0 USER32 ClientToScreen CreateCaret DestroyCaret DestroyIcon GetMonitorInfoA"
  "5.0 USER32 GetSystemMetrics GetWindow GetWindowRect LoadImageA MapWindowPoints"
  "5.0 USER32 MonitorFromRect OffsetRect SendDlgItemMessageA SetCaretPos SetWindowPos"
  "5.0 USER32 ShowCaret SystemParametersInfoA"
  "5.0 USER32 TranslateAcceleratorA TranslateMessage WinHelpA"
  "4.0 msvcrt __getmainargs __initenv __mb_cur_max __p__acmdln __p__commode __p__fmode"
  "4.0 msvcrt __set_app_type __setusermatherr _acmdln _amsg_exit _cexit _commode _controlfp"
  "4.0 msvcrt _errno _fmode _initterm _iob _onexit abort atoi calloc exit fprintf fputc fputs"
  "4.0 msvcrt free fwrite localeconv malloc memcpy memmove memset realloc setlocale signal"
  "4.0 msvcrt strchr strcmp strcpy strerror strlen strncmp strncpy vfprintf wcscat wcscpy"
  "4.0 msvcrt wcslen wcsncat wcsrchr wcsstr"
  "5.1 msvcrt ___lc_codepage_func ___mb_cur_max_func __iob_func")
foreach(row IN LISTS minimums)
  string(REPLACE " " ";" row "${row}")
  list(POP_FRONT row version dll)
  foreach(function IN LISTS row)
    set("minimum_${dll}_${function}" ${version})
  endforeach()
endforeach()

execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} failed on ${PROGRAM}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" lines "${dump}")
if(NOT lines)
  message(FATAL_ERROR "no imports found in ${PROGRAM}")
endif()
foreach(line IN LISTS lines)
  string(REPLACE "DLL Name: " "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOUPPER "${dll}" dll_upper)
  set(known FALSE)
  foreach(a IN LISTS allowed)
    string(TOUPPER "${a}" a_upper)
    if(dll_upper STREQUAL a_upper)
      set(known TRUE)
    endif()
  endforeach()
  if(NOT known)
    message(FATAL_ERROR "${PROGRAM} imports ${dll}, which is not a system DLL")
  endif()
  message(STATUS "imports ${dll}")
endforeach()

# The newest Windows any import needs; 64-bit programs run on none older
# than the first 64-bit Windows.
set(needed 4.0)
if(dump MATCHES "Magic[ \t]+020b")
  set(needed 5.2)
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+|\n\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_][A-Za-z0-9_]*" entries "${dump}")
foreach(entry IN LISTS entries)
  if(entry MATCHES "DLL Name: ([A-Za-z0-9_]+)")
    set(dll ${CMAKE_MATCH_1})
    continue()
  endif()
  string(REGEX REPLACE ".* " "" function "${entry}")
  set(minimum "${minimum_${dll}_${function}}")
  if(NOT minimum)
    message(FATAL_ERROR "${PROGRAM} imports ${dll} ${function}, which the table lacks")
  elseif(minimum VERSION_GREATER needed)
    set(needed ${minimum})
  endif()
endforeach()
foreach(field OSystem Subsystem)
  string(REGEX MATCH "Major${field}Version\t+([0-9]+)\nMinor${field}Version\t+([0-9]+)" _ "${dump}")
  if(NOT "${CMAKE_MATCH_1}.${CMAKE_MATCH_2}" VERSION_EQUAL needed)
    message(FATAL_ERROR "${PROGRAM}'s header names ${field} version "
                        "${CMAKE_MATCH_1}.${CMAKE_MATCH_2}; its imports need ${needed}")
  endif()
endforeach()
