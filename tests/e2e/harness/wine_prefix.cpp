// Settings of the Wine prefix that a test changes for its own time: the
// Windows version TORVA.EXE is told, and the program that opens web pages.
#include "torva_harness.h"

namespace torva_harness {
namespace {

// Per program, by file name: every TORVA.EXE the tests start, wherever it lies.
const wchar_t kAppDefaults[] = L"Software\\Wine\\AppDefaults\\TORVA.EXE";
// What ShellExecute runs to open a .htm file.
const wchar_t kHtmlOpenCommand[] = L"htmlfile\\shell\\open\\command";

bool SetValue(HKEY root, const wchar_t* path, const wchar_t* name, const std::wstring& value) {
  HKEY key;
  if (RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  LONG result = value.empty() ? RegDeleteValueW(key, name)
                              : RegSetValueExW(key, name, 0, REG_SZ,
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

}  // namespace

WindowsVersion::WindowsVersion(const char* version) {
  ok_ = SetValue(HKEY_CURRENT_USER, kAppDefaults, L"Version", Wide(version));
}

WindowsVersion::~WindowsVersion() { SetValue(HKEY_CURRENT_USER, kAppDefaults, L"Version", L""); }

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

}  // namespace torva_harness
