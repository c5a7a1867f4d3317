#include "line_caret.h"

#include <string.h>

#include <algorithm>

#include "panel.h"  // PanelTextWidth, kEntryTextLimit
#include "torva_ids.h"
#include "vexlib.h"

namespace {

// A monochrome bitmap one pixel wide has a 16-bit word per row; all zero,
// it inverts nothing where the caret stands.
const int kMostCaretRows = 1024;
const WORD kBlankRows[kMostCaretRows] = {};

HBITMAP blankBitmap = NULL;
int blankRows = 0;
bool caretOwned = false;

// Line X's rectangle in the panel's client area, where the caret lives.
RECT LineXRect() {
    RECT line;
    GetWindowRect(GetDlgItem(mainWindow, IDC_LINE_X), &line);
    MapWindowPoints(NULL, mainWindow, reinterpret_cast<POINT*>(&line), 2);
    return line;
}

}  // namespace

void TakeLineCaret() {
    const RECT line = LineXRect();
    const int rows = std::min<LONG>(line.bottom - line.top, kMostCaretRows);
    if (rows != blankRows) {
        if (blankBitmap != NULL) DeleteObject(blankBitmap);
        blankBitmap = CreateBitmap(1, rows, 1, 1, kBlankRows);
        blankRows = rows;
    }
    caretOwned = CreateCaret(mainWindow, blankBitmap, 0, 0) != 0;
    PlaceLineCaret();
    ShowCaret(mainWindow);
}

void DropLineCaret() {
    if (caretOwned) DestroyCaret();
    caretOwned = false;
}

// At the right end of the text as the line shows it, from its left edge,
// measured as the line's width is; a text wider than the line puts it at
// the line's last pixel.
void PlaceLineCaret() {
    if (!caretOwned) return;
    const RECT line = LineXRect();
    char text[kEntryTextLimit];
    GetWindowTextA(GetDlgItem(mainWindow, IDC_LINE_X), text, kEntryTextLimit);
    const int end = line.left + PanelTextWidth(text, static_cast<int>(strlen(text)));
    SetCaretPos(std::min<LONG>(end, line.right - 1), line.top);
}

void RemakeLineCaret() {
    if (!caretOwned) return;
    DropLineCaret();
    TakeLineCaret();
}
