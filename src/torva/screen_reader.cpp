// The names and the live setting are annotations made through the
// accessibility property service of the accessibility library, a COM
// object; screen readers that use the older accessibility interface and
// those that use UI Automation both see them. COM (OLE32) and the
// accessibility library are not imported: OLE32 is loaded from the system
// directory, and COM finds the accessibility library by the full path it
// has registered.
#include "screen_reader.h"

#include <oleacc.h>

#include "torva_ids.h"
#include "vexlib.h"

namespace {

typedef HRESULT(WINAPI* CoCreateInstanceFunction)(REFCLSID classId, LPUNKNOWN outer,
                                                  DWORD context, REFIID interfaceId,
                                                  LPVOID* object);

// Defined here rather than taken from the system's import libraries, which
// the program does not link; the headers know nothing of the live-setting
// property nor its values, which came later (Windows 8).
const GUID kClassAccPropServices = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
const GUID kInterfaceAccPropServices = {
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
const GUID kNameProperty = {
    0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};
const GUID kLiveSettingProperty = {
    0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
const LONG kAssertive = 2;  // read out at once, interrupting what is being read

// The buttons whose captions a screen reader would speak as punctuation
// names or letters, or not at all, and the names it speaks instead.
const struct ButtonName {
    int button;
    int nameId;
} kButtonNames[] = {
    {CMD_CHANGE_SIGN, IDS_NAME_CHANGE_SIGN}, {CMD_SQRT, IDS_NAME_SQRT},
    {CMD_SQUARE, IDS_NAME_SQUARE},           {CMD_RECIPROCAL, IDS_NAME_RECIPROCAL},
    {CMD_DIVIDE, IDS_NAME_DIVIDE},           {CMD_POWER, IDS_NAME_POWER},
    {CMD_MULTIPLY, IDS_NAME_MULTIPLY},       {CMD_SUBTRACT, IDS_NAME_SUBTRACT},
    {CMD_POINT, IDS_NAME_POINT},             {CMD_BACKSPACE, IDS_NAME_BACKSPACE},
    {CMD_ADD, IDS_NAME_ADD},
};

const DWORD kClientArea = static_cast<DWORD>(OBJID_CLIENT);

bool annotationTried = false;
bool annotated = false;  // the service was had, so there may be something to clear

// The property service, or NULL where COM or the service cannot be had.
IAccPropServices* CreatePropertyService() {
    CoCreateInstanceFunction create =
        SystemFunction<CoCreateInstanceFunction>("OLE32.DLL", "CoCreateInstance");
    if (create == NULL || !StartCom()) return NULL;
    void* service = NULL;
    if (FAILED(create(kClassAccPropServices, NULL, CLSCTX_INPROC_SERVER,
                      kInterfaceAccPropServices, &service)))
        return NULL;
    return static_cast<IAccPropServices*>(service);
}

HWND Control(int id) { return GetDlgItem(mainWindow, id); }

void NameButtons(IAccPropServices* service) {
    for (const ButtonName& entry : kButtonNames) {
        wchar_t name[kStringLimit];
        LoadStringW(appInstance, entry.nameId, name, kStringLimit);
        service->SetHwndPropStr(Control(entry.button), kClientArea, CHILDID_SELF, kNameProperty,
                                name);
    }
}

// Where the service refuses the marking (older Windows; Wine answers
// E_NOTIMPL), the screen reader still gets every event and reads the
// line's text; it only does not know to interrupt itself.
void MarkLinesAssertive(IAccPropServices* service) {
    VARIANT setting = {};
    setting.vt = VT_I4;
    setting.lVal = kAssertive;
    for (int line = IDC_LINE_X; line <= IDC_LINE_T; ++line)
        service->SetHwndProp(Control(line), kClientArea, CHILDID_SELF, kLiveSettingProperty,
                             setting);
}

}  // namespace

// The service is released as soon as the annotations are made: they stay
// with the controls, not with the object that made them.
void AnnotatePanel() {
    if (annotationTried) return;
    annotationTried = true;
    IAccPropServices* service = CreatePropertyService();
    if (service == NULL) return;
    NameButtons(service);
    MarkLinesAssertive(service);
    service->Release();
    annotated = true;
}

void ClearPanelAnnotations() {
    if (!annotated) return;
    annotated = false;
    IAccPropServices* service = CreatePropertyService();
    if (service == NULL) return;
    for (const ButtonName& entry : kButtonNames)
        service->ClearHwndProps(Control(entry.button), kClientArea, CHILDID_SELF, &kNameProperty, 1);
    for (int line = IDC_LINE_X; line <= IDC_LINE_T; ++line)
        service->ClearHwndProps(Control(line), kClientArea, CHILDID_SELF, &kLiveSettingProperty, 1);
    service->Release();
}

void AnnounceLiveRegionChange(HWND control) {
    NotifyWinEvent(EVENT_OBJECT_LIVEREGIONCHANGED, control, OBJID_CLIENT, CHILDID_SELF);
}
