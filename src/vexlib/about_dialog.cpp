// The About box's dialog procedure. The template holds every text, so
// there is nothing to fill in, only the box to lay out at the panel's
// scale; any way of leaving the box arrives as command 2 (the OK button
// carries the cancel id).
#include "vexlib.h"

#include "torva_ids.h"

namespace {

// The icon grows with the box. The template's icon control shows the icon
// at the system's size; at any other scale it gets the icon at that scale,
// kept for the boxes opened later at the same scale.
void TakeIconAtScale(HWND dialog) {
    static HICON icon = NULL;
    static int iconSize = 0;
    if (DisplayScale() == kScaleOne) return;
    const int size = MulDiv(GetSystemMetrics(SM_CXICON), DisplayScale(), kScaleOne);
    if (size != iconSize) {
        if (icon != NULL) DestroyIcon(icon);
        icon = static_cast<HICON>(LoadImageA(appInstance, "ICONX", IMAGE_ICON, size, size, 0));
        iconSize = size;
    }
    SendDlgItemMessageA(dialog, IDC_ABOUT_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
}

}  // namespace

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wordParameter,
                                 LPARAM longParameter) {
    (void)longParameter;
    switch (message) {
    case WM_INITDIALOG:
        ScaleDialogBox(dialog);  // at the panel's scale
        TakeIconAtScale(dialog);
        return TRUE;  // let the dialog manager set the initial focus
    case WM_COMMAND:
        if (LOWORD(wordParameter) == IDCANCEL) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}
