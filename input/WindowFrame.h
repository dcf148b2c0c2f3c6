#pragma once

// Turns the window position the toolkit reports into the one its glutPositionWindow
// takes, for the current window as it stands now (with its frame). Where the toolkit
// reports the drawing area's corner but places the frame's, a window put back at the
// reported position would land lower right by its frame each time.
void toPlacementPosition(int& x, int& y);
