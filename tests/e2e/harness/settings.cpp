// The program's settings file in the Windows directory and the user's own
// copy of it in the application-data folder. Paths are UTF-8 (torva_harness.h).
#include "torva_harness.h"

#include <cstdio>

namespace torva_harness {
namespace {

bool Exists(const std::string& path) {
  return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool DeleteIfThere(const std::string& path) {
  return DeleteFileW(Wide(path).c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND ||
         GetLastError() == ERROR_PATH_NOT_FOUND;
}

std::string AppDataVariable() {
  wchar_t value[MAX_PATH * 2] = L"";
  DWORD length = GetEnvironmentVariableW(L"APPDATA", value, MAX_PATH * 2);
  return length < MAX_PATH * 2 ? Utf8(value) : "";
}

// Where the shell keeps the roaming application-data folder.
const wchar_t kShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

std::wstring ShellAppData() {
  wchar_t value[MAX_PATH * 2] = L"";
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, kShellFolders, L"AppData", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ |
                   RRF_NOEXPAND, nullptr, value, &size) != ERROR_SUCCESS)
    return L"";
  return value;
}

bool SetShellAppData(const std::wstring& folder) {
  HKEY key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  LONG result = RegSetValueExW(key, L"AppData", 0, REG_EXPAND_SZ,
                               reinterpret_cast<const BYTE*>(folder.c_str()),
                               static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

// Makes a folder and every folder above it that is missing.
void MakeFolders(const std::wstring& folder) {
  for (size_t at = folder.find(L'\\', 3); ; at = folder.find(L'\\', at + 1)) {
    CreateDirectoryW(folder.substr(0, at).c_str(), nullptr);
    if (at == std::wstring::npos) return;
  }
}

}  // namespace

std::string SettingsPath() {
  wchar_t directory[MAX_PATH] = L"";
  GetWindowsDirectoryW(directory, MAX_PATH);
  return Utf8(directory) + "\\TORVA.INI";
}

std::string UserSettingsFolder() { return AppDataVariable() + "\\TORVA NT"; }

std::string UserSettingsPath() { return UserSettingsFolder() + "\\TORVA.INI"; }

bool MoveAppDataFolder(const std::string& folder) {
  static std::string originalVariable;
  static std::wstring originalShellFolder;
  if (originalShellFolder.empty()) {
    originalVariable = AppDataVariable();
    originalShellFolder = ShellAppData();
  }
  if (folder.empty()) {
    return SetEnvironmentVariableW(L"APPDATA", Wide(originalVariable).c_str()) &&
           SetShellAppData(originalShellFolder);
  }
  MakeFolders(Wide(folder));
  return Exists(folder) && SetEnvironmentVariableW(L"APPDATA", Wide(folder).c_str()) &&
         SetShellAppData(Wide(folder));
}

bool SettingsExist() { return Exists(SettingsPath()); }
bool UserSettingsExist() { return Exists(UserSettingsPath()); }

bool DeleteSettings() {
  // A test may have put a folder where the user's copy belongs.
  RemoveDirectoryW(Wide(UserSettingsPath()).c_str());
  bool deleted = DeleteIfThere(SettingsPath()) && DeleteIfThere(UserSettingsPath());
  RemoveDirectoryW(Wide(UserSettingsFolder()).c_str());
  return deleted && !Exists(UserSettingsFolder());
}

bool WriteSettings(const std::string& content, const std::string& path) {
  if (path == UserSettingsPath()) CreateDirectoryW(Wide(UserSettingsFolder()).c_str(), nullptr);
  FILE* file = _wfopen(Wide(path).c_str(), L"wb");
  if (!file) return false;
  bool ok = std::fwrite(content.data(), 1, content.size(), file) == content.size();
  return std::fclose(file) == 0 && ok;
}

std::string ReadSettings(const std::string& path) {
  std::string content;
  FILE* file = _wfopen(Wide(path).c_str(), L"rb");
  if (!file) return content;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, n);
  std::fclose(file);
  return content;
}

}  // namespace torva_harness
