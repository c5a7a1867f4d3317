// Reading text from the clipboard for the paste command.
#include "clipboard_read.h"

#include <string.h>

#include "feedback.h"
#include "torva_ids.h"
#include "vexlib.h"

// Copies the start of a locked CF_TEXT block into out. The block need not
// end in a NUL, so the copy never reaches past its size.
static size_t CopyBlockText(HANDLE block, const char* text, char* out) {
    size_t limit = GlobalSize(block);
    if (limit > (size_t)kPasteTextLimit) limit = kPasteTextLimit;
    size_t length = 0;
    while (length < limit && text[length] != '\0') {
        out[length] = text[length];
        ++length;
    }
    return length;
}

void ReadClipboardText(char* out) {
    out[0] = '\0';
    OpenClipboard(mainWindow);
    HANDLE block = GetClipboardData(CF_TEXT);
    const char* text = block != NULL ? static_cast<const char*>(GlobalLock(block)) : NULL;
    if (text == NULL) {
        // Close first, so the clipboard is free while the message is up.
        CloseClipboard();
        ReportError(IDS_PASTE_FAILED);  // error cue if sound is on, then the box
        return;
    }

    memset(out, 0, kPasteTextLimit);
    size_t length = CopyBlockText(block, text, out);
    out[length] = '\n';
    out[length + 1] = '\0';

    GlobalUnlock(block);
    CloseClipboard();
}
