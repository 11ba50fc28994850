#pragma once
// The scene scripts/screenshot shows: once the window has loaded its files,
// a few cells are selected and one is edited in memory. Then either
//  --screenshot=FILE        writes a PNG of the window as Qt draws it and
//                           quits (works without a display), or
//  --screenshot-ready=FILE  writes the window's place on the screen
//                           ("x y width height") to FILE, so that a tool
//                           outside can capture the real screen, and quits
//                           once FILE is removed.

#include <QString>

class TableMainWindow;

void takeScreenshotWhenLoaded(TableMainWindow* window, const QString& fileName);
void announceScreenshotWhenLoaded(TableMainWindow* window, const QString& markerFile);
