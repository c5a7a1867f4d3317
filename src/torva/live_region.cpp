// The marking goes through the accessibility property service of the
// accessibility library, a COM object. COM (OLE32) and the accessibility
// library are not imported: OLE32 is loaded from the system directory, and
// COM finds the accessibility library by the full path it has registered.
// Both are loaded with the first announcement rather than at start-up, so a
// start that is never followed by a result does not pay for them.
#include "live_region.h"

#include <oleacc.h>

#include "vexlib.h"

namespace {

typedef HRESULT(WINAPI* CoCreateInstanceFunction)(REFCLSID classId, LPUNKNOWN outer,
                                                  DWORD context, REFIID interfaceId,
                                                  LPVOID* object);

// The system's headers know the accessibility property service but not the
// live-setting property nor its values, which came later (Windows 8).
const GUID kClassAccPropServices = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
const GUID kInterfaceAccPropServices = {
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
const GUID kLiveSettingProperty = {
    0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
const LONG kAssertive = 2;  // read out at once, interrupting what is being read

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

// The marking is tried once. Where the service refuses it (older Windows;
// Wine answers E_NOTIMPL), the screen reader still gets every event and
// reads the control's text; it only does not know to interrupt itself.
// The service is not released: the annotation is to last as long as the
// window, and the process ends with the window.
void MarkAssertive(HWND control) {
    IAccPropServices* service = CreatePropertyService();
    if (service == NULL) return;
    VARIANT setting = {};
    setting.vt = VT_I4;
    setting.lVal = kAssertive;
    service->SetHwndProp(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                         kLiveSettingProperty, setting);
}

}  // namespace

void AnnounceLiveRegionChange(HWND control) {
    static bool markingTried = false;
    if (!markingTried) {
        markingTried = true;
        MarkAssertive(control);
    }
    NotifyWinEvent(EVENT_OBJECT_LIVEREGIONCHANGED, control, OBJID_CLIENT, CHILDID_SELF);
}
