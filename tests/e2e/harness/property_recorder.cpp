// A stand-in for the system's accessibility property service (the class
// the program creates to annotate its controls), registered in the test
// prefix in place of Wine's, which refuses every annotation. It accepts
// every call and does nothing but write one line per annotation or
// clearing of a window's property to the file beside it, <dll>.log:
//
//   <method> <control id> <property GUID> <value>
//
// The value is "I4 n" for a VT_I4 variant, "VT n" for any other type, the
// text for a string, "-" for a clearing. The harness reads that file.
#include <windows.h>
#include <oleacc.h>

#include <cstdio>
#include <string>

namespace {

HMODULE thisModule;
LONG objectCount;  // live objects and server locks, for DllCanUnloadNow

const GUID kPropertyServiceClass = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
const GUID kPropertyServiceInterface = {
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};

std::string GuidText(const GUID& id) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned long>(id.Data1), id.Data2, id.Data3, id.Data4[0],
                id.Data4[1], id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6],
                id.Data4[7]);
  return text;
}

void Record(const char* method, HWND window, const GUID& property, const std::string& value) {
  wchar_t path[MAX_PATH + 8];
  DWORD length = GetModuleFileNameW(thisModule, path, MAX_PATH);
  lstrcpyW(path + length, L".log");
  std::string line = std::string(method) + " " + std::to_string(GetDlgCtrlID(window)) + " " +
                     GuidText(property) + " " + value + "\n";
  HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE |
                            FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
}

std::string VariantText(const VARIANT& value) {
  if (value.vt == VT_I4) return "I4 " + std::to_string(value.lVal);
  return "VT " + std::to_string(value.vt);
}

std::string Utf8(LPCWSTR text) {
  char utf8[512] = "";
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
  return utf8;
}

// Reference counting and the interfaces both objects share.
template <typename Interface>
class Unknown : public Interface {
 public:
  Unknown(const IID& id) : id_(id) { InterlockedIncrement(&objectCount); }
  virtual ~Unknown() { InterlockedDecrement(&objectCount); }
  HRESULT WINAPI QueryInterface(REFIID iid, void** object) override {
    *object = iid == IID_IUnknown || iid == id_ ? this : nullptr;
    if (*object == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG WINAPI AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&count_)); }
  ULONG WINAPI Release() override {
    LONG left = InterlockedDecrement(&count_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

 private:
  const IID id_;
  LONG count_ = 1;
};

class RecordingService : public Unknown<IAccPropServices> {
 public:
  RecordingService() : Unknown(kPropertyServiceInterface) {}

  HRESULT WINAPI SetHwndProp(HWND window, DWORD, DWORD, MSAAPROPID property, VARIANT value) override {
    Record("SetHwndProp", window, property, VariantText(value));
    return S_OK;
  }
  HRESULT WINAPI SetHwndPropStr(HWND window, DWORD, DWORD, MSAAPROPID property, LPCWSTR text) override {
    Record("SetHwndPropStr", window, property, Utf8(text));
    return S_OK;
  }
  HRESULT WINAPI ClearHwndProps(HWND window, DWORD, DWORD, const MSAAPROPID* properties,
                                int count) override {
    for (int i = 0; i < count; ++i) Record("ClearHwndProps", window, properties[i], "-");
    return S_OK;
  }

  // Not used by the program: refused, and not recorded.
  HRESULT WINAPI SetPropValue(const BYTE*, DWORD, MSAAPROPID, VARIANT) override { return E_NOTIMPL; }
  HRESULT WINAPI SetPropServer(const BYTE*, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                               AnnoScope) override { return E_NOTIMPL; }
  HRESULT WINAPI ClearProps(const BYTE*, DWORD, const MSAAPROPID*, int) override { return E_NOTIMPL; }
  HRESULT WINAPI SetHwndPropServer(HWND, DWORD, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                   AnnoScope) override { return E_NOTIMPL; }
  HRESULT WINAPI ComposeHwndIdentityString(HWND, DWORD, DWORD, BYTE**, DWORD*) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI DecomposeHwndIdentityString(const BYTE*, DWORD, HWND*, DWORD*, DWORD*) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI SetHmenuProp(HMENU, DWORD, MSAAPROPID, VARIANT) override { return E_NOTIMPL; }
  HRESULT WINAPI SetHmenuPropStr(HMENU, DWORD, MSAAPROPID, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT WINAPI SetHmenuPropServer(HMENU, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                    AnnoScope) override { return E_NOTIMPL; }
  HRESULT WINAPI ClearHmenuProps(HMENU, DWORD, const MSAAPROPID*, int) override { return E_NOTIMPL; }
  HRESULT WINAPI ComposeHmenuIdentityString(HMENU, DWORD, BYTE**, DWORD*) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI DecomposeHmenuIdentityString(const BYTE*, DWORD, HMENU*, DWORD*) override {
    return E_NOTIMPL;
  }
};

class Factory : public Unknown<IClassFactory> {
 public:
  Factory() : Unknown(IID_IClassFactory) {}
  HRESULT WINAPI CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    RecordingService* service = new RecordingService;
    HRESULT result = service->QueryInterface(iid, object);
    service->Release();
    return result;
  }
  HRESULT WINAPI LockServer(BOOL lock) override {
    if (lock) InterlockedIncrement(&objectCount);
    else InterlockedDecrement(&objectCount);
    return S_OK;
  }
};

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) thisModule = instance;
  return TRUE;
}

__declspec(dllexport) HRESULT WINAPI DllGetClassObject(REFCLSID classId, REFIID iid, void** object) {
  *object = nullptr;
  if (classId != kPropertyServiceClass) return CLASS_E_CLASSNOTAVAILABLE;
  Factory* factory = new Factory;
  HRESULT result = factory->QueryInterface(iid, object);
  factory->Release();
  return result;
}

__declspec(dllexport) HRESULT WINAPI DllCanUnloadNow() { return objectCount == 0 ? S_OK : S_FALSE; }

}  // extern "C"
