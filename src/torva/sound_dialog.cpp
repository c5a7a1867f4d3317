// The Sound dialog: two radio buttons that switch the sound cues on and off
// the moment they are clicked. Every way of closing it arrives as command 2
// and keeps the choice; the caller writes the settings file.
#include "app_globals.h"

#include "calc_stack.h"  // soundEnabled
#include "torva_ids.h"

INT_PTR CALLBACK SoundDialogProc(HWND dialog, UINT message, WPARAM wordParameter,
                                 LPARAM longParameter) {
    (void)longParameter;
    if (message == WM_INITDIALOG) {
        ScaleDialogBox(dialog);  // at the panel's scale
        CheckRadioButton(dialog, IDC_SOUND_ON, IDC_SOUND_OFF,
                         soundEnabled ? IDC_SOUND_ON : IDC_SOUND_OFF);
        return TRUE;  // let the dialog manager set the initial focus
    }
    if (message != WM_COMMAND) return FALSE;

    switch (LOWORD(wordParameter)) {
    case IDC_BOX_OK:
        EndDialog(dialog, 0);
        return TRUE;
    case IDC_SOUND_ON:
        soundEnabled = 1;
        return FALSE;
    case IDC_SOUND_OFF:
        soundEnabled = 0;
        return FALSE;
    default:
        return FALSE;
    }
}
