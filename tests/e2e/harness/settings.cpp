// The program's settings file in the Windows directory.
#include "torva_harness.h"

#include <cstdio>

namespace torva_harness {

std::string SettingsPath() {
  char directory[MAX_PATH] = "";
  GetWindowsDirectoryA(directory, sizeof directory);
  return std::string(directory) + "\\TORVA.INI";
}

bool SettingsExist() { return GetFileAttributesA(SettingsPath().c_str()) != INVALID_FILE_ATTRIBUTES; }

bool DeleteSettings() {
  return DeleteFileA(SettingsPath().c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

bool WriteSettings(const std::string& content) {
  FILE* file = std::fopen(SettingsPath().c_str(), "wb");
  if (!file) return false;
  bool ok = std::fwrite(content.data(), 1, content.size(), file) == content.size();
  return std::fclose(file) == 0 && ok;
}

std::string ReadSettings() {
  std::string content;
  FILE* file = std::fopen(SettingsPath().c_str(), "rb");
  if (!file) return content;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, n);
  std::fclose(file);
  return content;
}

}  // namespace torva_harness
