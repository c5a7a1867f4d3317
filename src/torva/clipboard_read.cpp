// Reading text from the clipboard for the paste command.
#include "clipboard_read.h"

#include <string.h>

#include <algorithm>

#include "feedback.h"
#include "torva_ids.h"
#include "vexlib.h"

size_t CopyClipboardText(const char* text, size_t size, char* out) {
    const size_t limit = std::min(size, static_cast<size_t>(kPasteTextLimit));
    size_t length = 0;
    while (length < limit && text[length] != '\0') {
        out[length] = text[length];
        ++length;
    }
    return length;
}

void ReadClipboardText(char* out) {
    out[0] = '\0';
    OpenClipboardPatiently(mainWindow);
    HANDLE block = GetClipboardData(CF_TEXT);
    const char* text = block != NULL ? static_cast<const char*>(GlobalLock(block)) : NULL;
    if (text == NULL) {
        // Close first, so the clipboard is free while the message is up.
        CloseClipboard();
        ReportError(IDS_PASTE_FAILED);  // error cue if sound is on, then the box
        return;
    }

    memset(out, 0, kPasteTextLimit);
    size_t length = CopyClipboardText(text, GlobalSize(block), out);
    out[length] = '\n';
    out[length + 1] = '\0';

    GlobalUnlock(block);
    CloseClipboard();
}
