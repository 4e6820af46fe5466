#pragma once

// Loads the map's browser module (see mapbrowser/MapBrowser.h) on first use and makes its browsers.
// User-interface thread only.

#include "mapbrowser/MapBrowser.h"

#include <QStringList>

// The places the module is looked for, in order: beside the program, the installed library folder
// relative to it, and the build tree it was built in.
QStringList MapBrowserModuleCandidates();

// A new browser as a child of parent, or null (logged once) when the module cannot be loaded.
MapBrowser* MakeMapBrowser(QWidget* parent, const MapBrowserSetup& setup);
