// Settings of the Wine prefix that a test changes for its own time: the
// user's application-data folder, the Windows version TORVA.EXE is told,
// the text size and the program that opens web pages.
#include "torva_harness.h"

namespace torva_harness {
namespace {

// Per program, by file name: every TORVA.EXE the tests start, wherever it lies.
const wchar_t kAppDefaults[] = L"Software\\Wine\\AppDefaults\\TORVA.EXE";
// What ShellExecute runs to open a .htm file.
const wchar_t kHtmlOpenCommand[] = L"htmlfile\\shell\\open\\command";
// Where the shell keeps the roaming application-data folder.
const wchar_t kShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// Sets a text value; "" deletes it.
bool SetValue(HKEY root, const wchar_t* path, const wchar_t* name, const std::wstring& value,
              DWORD type = REG_SZ) {
  HKEY key;
  if (RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  LONG result = value.empty() ? RegDeleteValueW(key, name)
                              : RegSetValueExW(key, name, 0, type,
                                               reinterpret_cast<const BYTE*>(value.c_str()),
                                               static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return result == ERROR_SUCCESS || (value.empty() && result == ERROR_FILE_NOT_FOUND);
}

std::wstring GetValue(HKEY root, const wchar_t* path, const wchar_t* name) {
  wchar_t value[1024] = L"";
  DWORD size = sizeof value;
  if (RegGetValueW(root, path, name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr,
                   value, &size) != ERROR_SUCCESS)
    return L"";
  return value;
}

// Makes a folder and every folder above it that is missing.
void MakeFolders(const std::wstring& folder) {
  for (size_t at = folder.find(L'\\', 3); ; at = folder.find(L'\\', at + 1)) {
    CreateDirectoryW(folder.substr(0, at).c_str(), nullptr);
    if (at == std::wstring::npos) return;
  }
}

}  // namespace

std::string AppDataFolder() {
  wchar_t folder[MAX_PATH * 2] = L"";
  DWORD length = ExpandEnvironmentStringsW(GetValue(HKEY_CURRENT_USER, kShellFolders, L"AppData").c_str(),
                                           folder, MAX_PATH * 2);
  return length > 0 && length <= MAX_PATH * 2 ? Utf8(folder) : "";
}

bool MoveAppDataFolder(const std::string& folder, bool shellOnly) {
  static std::wstring originalVariable, originalShellFolder;
  if (originalShellFolder.empty()) {
    wchar_t value[MAX_PATH * 2] = L"";
    GetEnvironmentVariableW(L"APPDATA", value, MAX_PATH * 2);
    originalVariable = value;
    originalShellFolder = GetValue(HKEY_CURRENT_USER, kShellFolders, L"AppData");
  }
  const std::wstring shellFolder = folder.empty() ? originalShellFolder : Wide(folder);
  const std::wstring variable = folder.empty() || shellOnly ? originalVariable : Wide(folder);
  if (!folder.empty()) {
    MakeFolders(shellFolder);
    if (GetFileAttributesW(shellFolder.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  }
  return SetEnvironmentVariableW(L"APPDATA", variable.c_str()) &&
         SetValue(HKEY_CURRENT_USER, kShellFolders, L"AppData", shellFolder, REG_EXPAND_SZ);
}

WindowsVersion::WindowsVersion(const char* version) {
  ok_ = SetValue(HKEY_CURRENT_USER, kAppDefaults, L"Version", Wide(version));
}

WindowsVersion::~WindowsVersion() { SetValue(HKEY_CURRENT_USER, kAppDefaults, L"Version", L""); }

bool SetTextScale(DWORD percent) {
  const wchar_t key[] = L"Software\\Microsoft\\Accessibility", name[] = L"TextScaleFactor";
  return (percent ? RegSetKeyValueW(HKEY_CURRENT_USER, key, name, REG_DWORD, &percent, sizeof percent)
                  : RegDeleteKeyValueW(HKEY_CURRENT_USER, key, name)) == ERROR_SUCCESS;
}

// A prefix made without Wine's HTML engine (as the test session's is) has
// no .htm file type at all; Windows always has one.
HtmlOpener::HtmlOpener(const std::string& program) {
  typeBefore_ = Utf8(GetValue(HKEY_CLASSES_ROOT, L".htm", nullptr));
  before_ = Utf8(GetValue(HKEY_CLASSES_ROOT, kHtmlOpenCommand, nullptr));
  ok_ = SetValue(HKEY_CLASSES_ROOT, L".htm", nullptr, L"htmlfile") &&
        SetValue(HKEY_CLASSES_ROOT, kHtmlOpenCommand, nullptr,
                 L"\"" + Wide(program) + L"\" \"%1\"");
}

HtmlOpener::~HtmlOpener() {
  SetValue(HKEY_CLASSES_ROOT, L".htm", nullptr, Wide(typeBefore_));
  SetValue(HKEY_CLASSES_ROOT, kHtmlOpenCommand, nullptr, Wide(before_));
}

// ---------------------------------------------------------------- the accessibility property service

namespace {

// The service's class. Wine's COM reads classes from HKLM\Software\Classes
// only (the same class under HKCU\Software\Classes is not seen); a 32-bit
// process reads and writes the 32-bit view of it.
const wchar_t kPropertyServiceServer[] =
    L"Software\\Classes\\CLSID\\{B5F8350B-0548-48B1-A6EE-88BD00B4A5E7}\\InprocServer32";

std::string RecordPath() { return PropertyRecorderPath() + ".log"; }

}  // namespace

PropertyServiceStandIn::PropertyServiceStandIn() {
  ok_ = !PropertyRecorderPath().empty() &&
        SetValue(HKEY_LOCAL_MACHINE, kPropertyServiceServer, nullptr, Wide(PropertyRecorderPath()));
}

// Wine's own registration, whatever the key held before: so a run that died
// with the stand-in registered leaves nothing behind for the next.
PropertyServiceStandIn::~PropertyServiceStandIn() {
  wchar_t system[MAX_PATH] = L"";
  GetSystemDirectoryW(system, MAX_PATH);
  SetValue(HKEY_LOCAL_MACHINE, kPropertyServiceServer, nullptr,
           std::wstring(system) + L"\\oleacc.dll");
}

std::vector<std::string> RecordedAnnotations() {
  std::string text(64 * 1024, '\0');
  DWORD size = 0;
  HANDLE record = CreateFileW(Wide(RecordPath()).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  if (record != INVALID_HANDLE_VALUE) {
    ReadFile(record, &text[0], static_cast<DWORD>(text.size()), &size, nullptr);
    CloseHandle(record);
  }
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = text.find('\n', start)) < size; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

void ForgetRecordedAnnotations() { DeleteFileW(Wide(RecordPath()).c_str()); }

}  // namespace torva_harness
