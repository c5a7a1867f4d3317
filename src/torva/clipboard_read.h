// Reading text from the clipboard for the paste command.
#ifndef TORVA_CLIPBOARD_READ_H
#define TORVA_CLIPBOARD_READ_H

#include <stddef.h>

// At most this many characters of the clipboard text are taken.
const int kPasteTextLimit = 81;
// Smallest buffer for ReadClipboardText: the text, the "\n" and the NUL.
const int kPasteBufferSize = kPasteTextLimit + 2;

// Fills out (kPasteBufferSize bytes or more) with the clipboard's CF_TEXT,
// cut to kPasteTextLimit characters, followed by "\n". When the clipboard
// holds no text, plays the error cue (if sound is on), reports it and leaves
// out empty. The clipboard is closed again on every path.
void ReadClipboardText(char* out);

// Copies the start of a CF_TEXT block of `size` bytes into out: up to the
// text's NUL, kPasteTextLimit characters or the block's end, whichever comes
// first, since a block from another program need not end in a NUL. Returns
// the number of characters copied; out is not terminated.
size_t CopyClipboardText(const char* text, size_t size, char* out);

#endif
