// The About box's dialog procedure. The template holds every text, so
// there is nothing to fill in; any way of leaving the box arrives as
// command 2 (the OK button carries the cancel id).
#include "vexlib.h"

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wordParameter,
                                 LPARAM longParameter) {
    (void)longParameter;
    switch (message) {
    case WM_INITDIALOG:
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
