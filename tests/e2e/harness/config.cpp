// Where the programs under test are, and the polling wait.
#include "torva_harness.h"

#include <cstdlib>
#include <cstring>

namespace torva_harness {
namespace {

std::string programPath;
std::string noAccelPath;
std::string bellWatchPath;  // a Unix path: the host program runs outside Wine
std::string propertyRecorderPath;

// Takes "--name=value" out of argv; returns whether it was there.
bool TakeOption(int* argc, char** argv, const char* name, std::string* value) {
  size_t length = std::strlen(name);
  for (int i = 1; i < *argc; ++i) {
    if (std::strncmp(argv[i], name, length) == 0 && argv[i][length] == '=') {
      *value = argv[i] + length + 1;
      for (int j = i; j + 1 < *argc; ++j) argv[j] = argv[j + 1];
      --*argc;
      return true;
    }
  }
  return false;
}

std::string FromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

std::wstring Wide(const std::string& utf8) {
  int size = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
  std::wstring wide(size > 0 ? size : 1, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &wide[0], size);
  wide.resize(wide.size() - 1);  // the NUL
  return wide;
}

std::string Utf8(const std::wstring& wide) {
  int size = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(size > 0 ? size : 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &utf8[0], size, nullptr, nullptr);
  utf8.resize(utf8.size() - 1);
  return utf8;
}

bool AnsiCanSpell(const std::string& utf8) {
  BOOL lossy = FALSE;
  std::wstring wide = Wide(utf8);
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, nullptr, 0, nullptr, &lossy);
  return !lossy;
}

const char kUnspellableAppData[] =
    "C:\\torva-users\\\xc5\x81ukasz \xc5\xbb\xc3\xb3\xc5\x82w \xe5\xb1\xb1\xe7\x94\xb0\\AppData\\Roaming";

std::string ToWindowsPath(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  // Wine exports its own converter; a plain Z: mapping is the fallback.
  using Converter = WCHAR* (*)(const char*);
  // GetProcAddress returns every function as FARPROC; going through
  // void (*)(void), which stands for any function, marks the cast as meant.
  auto convert = reinterpret_cast<Converter>(reinterpret_cast<void (*)(void)>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
  if (convert) {
    if (WCHAR* wide = convert(path.c_str())) {
      std::string result = Utf8(wide);
      HeapFree(GetProcessHeap(), 0, wide);
      return result;
    }
  }
  std::string result = "Z:" + path;
  for (char& c : result)
    if (c == '/') c = '\\';
  return result;
}

void ParseCommandLine(int* argc, char** argv) {
  RunStartDetachedCopy(*argc, argv);
  if (!TakeOption(argc, argv, "--torva", &programPath)) programPath = FromEnvironment("TORVA_EXE");
  if (!TakeOption(argc, argv, "--torva-noaccel", &noAccelPath))
    noAccelPath = FromEnvironment("TORVA_NOACCEL_EXE");
  if (!TakeOption(argc, argv, "--bell-watch", &bellWatchPath))
    bellWatchPath = FromEnvironment("TORVA_BELL_WATCH");
  if (!TakeOption(argc, argv, "--property-recorder", &propertyRecorderPath))
    propertyRecorderPath = FromEnvironment("TORVA_PROPERTY_RECORDER");
  programPath = ToWindowsPath(programPath);
  noAccelPath = ToWindowsPath(noAccelPath);
  propertyRecorderPath = ToWindowsPath(propertyRecorderPath);
}

std::string ProgramPath() { return programPath; }
std::string BellWatchPath() { return bellWatchPath; }
std::string NoAccelProgramPath() { return noAccelPath; }
std::string PropertyRecorderPath() { return propertyRecorderPath; }

bool WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs, DWORD pollMs) {
  DWORD start = GetTickCount();
  for (;;) {
    if (cond()) return true;
    if (GetTickCount() - start >= timeoutMs) return cond();
    Sleep(pollMs);
  }
}

}  // namespace torva_harness
