// For tests that watch a popup menu from a timer its own loop dispatches.
#pragma once

#include <windows.h>

// The window (class "#32768") of the popup menu open in this thread, or null.
HWND FindOpenMenu();
