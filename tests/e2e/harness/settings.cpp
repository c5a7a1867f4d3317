// The program's settings file in the Windows directory and the user's own
// copy of it in the application-data folder.
#include "torva_harness.h"

#include <cstdio>
#include <cstdlib>

namespace torva_harness {
namespace {

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool DeleteIfThere(const std::string& path) {
  return DeleteFileA(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND ||
         GetLastError() == ERROR_PATH_NOT_FOUND;
}

}  // namespace

std::string SettingsPath() {
  char directory[MAX_PATH] = "";
  GetWindowsDirectoryA(directory, sizeof directory);
  return std::string(directory) + "\\TORVA.INI";
}

std::string UserSettingsFolder() {
  const char* appData = std::getenv("APPDATA");
  return std::string(appData ? appData : "") + "\\TORVA NT";
}

std::string UserSettingsPath() { return UserSettingsFolder() + "\\TORVA.INI"; }

bool SettingsExist() { return Exists(SettingsPath()); }
bool UserSettingsExist() { return Exists(UserSettingsPath()); }

bool DeleteSettings() {
  bool deleted = DeleteIfThere(SettingsPath()) && DeleteIfThere(UserSettingsPath());
  RemoveDirectoryA(UserSettingsFolder().c_str());
  return deleted && !Exists(UserSettingsFolder());
}

bool WriteSettings(const std::string& content, const std::string& path) {
  if (path == UserSettingsPath()) CreateDirectoryA(UserSettingsFolder().c_str(), nullptr);
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool ok = std::fwrite(content.data(), 1, content.size(), file) == content.size();
  return std::fclose(file) == 0 && ok;
}

std::string ReadSettings(const std::string& path) {
  std::string content;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return content;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, n);
  std::fclose(file);
  return content;
}

}  // namespace torva_harness
