// Files and folders the program truly cannot write.
//
// Wine runs as root here and root ignores the read-only attribute, so a
// test that needs an unwritable file sets the host's immutable flag on its
// Unix path with chattr. Wine starts the host program but does not report
// its end, so the effect itself is what is waited for.
#include "torva_harness.h"

#include <string>

namespace torva_harness {
namespace {

// The Unix path of a Windows path, through Wine's own converter.
std::string ToUnixPath(const std::string& windowsPath) {
  using Converter = char* (*)(const WCHAR*);
  // GetProcAddress returns every function as FARPROC; going through
  // void (*)(void), which stands for any function, marks the cast as meant.
  auto convert = reinterpret_cast<Converter>(reinterpret_cast<void (*)(void)>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!convert) return "";
  char* unixPath = convert(Wide(windowsPath).c_str());
  if (!unixPath) return "";
  std::string result = unixPath;
  HeapFree(GetProcessHeap(), 0, unixPath);
  return result;
}

// Whether something can be written at path: a file is opened for writing;
// in a folder a probe file is made and removed again.
bool Writable(const std::string& path) {
  DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  std::wstring target = Wide(folder ? path + "\\immutable-probe.tmp" : path);
  // A probe is left behind when the flag lands between its making and its
  // removal; it would make the folder look unwritable, and undeletable, for good.
  if (folder) DeleteFileW(target.c_str());
  HANDLE file = CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, folder ? CREATE_NEW : OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  if (folder) DeleteFileW(target.c_str());
  return true;
}

}  // namespace

bool SetImmutable(const std::string& path, bool immutable) {
  if (GetFileAttributesW(Wide(path).c_str()) == INVALID_FILE_ATTRIBUTES) return !immutable;
  if (Writable(path) == !immutable) return true;
  std::string unixPath = ToUnixPath(path);
  if (unixPath.empty()) return false;
  std::string commandLine = std::string("Z:\\usr\\bin\\chattr ") + (immutable ? "+i" : "-i") +
                            " \"" + unixPath + "\"";
  if (!StartDetached(commandLine)) return false;
  return WaitUntil([&] { return Writable(path) == !immutable; }, kStepTimeout, 20);
}

}  // namespace torva_harness
