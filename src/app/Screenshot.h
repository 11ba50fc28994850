#pragma once
// --screenshot=FILE: once the window has loaded its files, selects a few
// cells, edits one in memory, writes a PNG of the window and quits.
// Used by scripts/screenshot to look at the program without a display.

#include <QString>

class TableMainWindow;

void takeScreenshotWhenLoaded(TableMainWindow* window, const QString& fileName);
