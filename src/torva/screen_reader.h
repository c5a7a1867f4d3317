// What screen readers are told about the panel: the names of the buttons
// whose captions are symbols, the display lines as live regions, and the
// events that make them read a line.
//
// A static control whose text is set raises no event that screen readers
// announce, so the lines are marked as assertive live regions and a
// live-region event is raised for a line whenever it is to be read.
#ifndef TORVA_SCREEN_READER_H
#define TORVA_SCREEN_READER_H

#include <windows.h>

// Gives the buttons their spoken names and marks the four lines as
// assertive live regions, once; later calls do nothing. Where the system
// offers no way to annotate controls, the buttons keep their captions as
// names and the events are raised all the same.
void AnnotatePanel();

// Takes the annotations off the panel's controls again, if they were set.
void ClearPanelAnnotations();

// Tells screen readers to read the control's text now.
void AnnounceLiveRegionChange(HWND control);

#endif
