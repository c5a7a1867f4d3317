/* Stands in for the web browser in the help tests: registered as what opens
 * .htm files, it appends the path it was given (UTF-8, one line per start)
 * to PAGES-OPENED.TXT beside itself, and ends. */
#include <windows.h>

#include <wchar.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int show) {
  (void)instance;
  (void)previous;
  (void)commandLine;
  (void)show;
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  wchar_t log[MAX_PATH + 32];
  DWORD length = GetModuleFileNameW(NULL, log, MAX_PATH);
  wchar_t* slash = wcsrchr(log, L'\\');
  if (arguments == NULL || length == 0 || length >= MAX_PATH || slash == NULL) return 1;
  wcscpy(slash + 1, L"PAGES-OPENED.TXT");

  char line[4 * MAX_PATH] = "";
  if (count >= 2)
    WideCharToMultiByte(CP_UTF8, 0, arguments[1], -1, line, sizeof line - 2, NULL, NULL);
  strcat(line, "\n");
  HANDLE file = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS, 0, NULL);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(file, line, (DWORD)strlen(line), &written, NULL);
  CloseHandle(file);
  return 0;
}
