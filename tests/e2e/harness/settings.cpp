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

}  // namespace

std::string SettingsPath() {
  wchar_t directory[MAX_PATH] = L"";
  GetWindowsDirectoryW(directory, MAX_PATH);
  return Utf8(directory) + "\\TORVA.INI";
}

std::string UserSettingsFolder() { return AppDataFolder() + "\\TORVA NT"; }

std::string UserSettingsPath() { return UserSettingsFolder() + "\\TORVA.INI"; }

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
