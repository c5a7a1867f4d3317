// Line X as a live region: how a screen reader learns of a new result.
//
// A static control whose text is set raises no event that screen readers
// announce, so line X is marked as an assertive live region and a
// live-region event is raised for it whenever a command has changed it.
#ifndef TORVA_LIVE_REGION_H
#define TORVA_LIVE_REGION_H

#include <windows.h>

// Tells screen readers that the control's text has changed. The first call
// marks the control as an assertive live region, where the system offers
// that; without the marking the event is raised all the same.
void AnnounceLiveRegionChange(HWND control);

#endif
