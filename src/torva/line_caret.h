// The system caret that screen magnifiers follow. Windows Magnifier and
// other magnifiers follow the keyboard focus and the caret; the panel has
// the focus but no text field, so without a caret of its own a magnified
// view stays on the panel as a whole and never moves to where a result
// appears. While the panel has the focus it owns a caret at the end of
// line X's text, as tall as the line, made from a blank bitmap: shown, so
// that Windows reports it as visible, yet drawing nothing.
#ifndef TORVA_LINE_CARET_H
#define TORVA_LINE_CARET_H

// The panel gained the focus (WM_SETFOCUS): the caret is made and shown.
void TakeLineCaret();

// The panel lost the focus (WM_KILLFOCUS): the caret is destroyed, as
// Windows asks of every caret owner.
void DropLineCaret();

// Moves the caret to the end of line X's text, after every command.
void PlaceLineCaret();

// Makes the caret again after the panel has been laid out anew: line X
// may have another height.
void RemakeLineCaret();

#endif
