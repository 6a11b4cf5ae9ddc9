// An accessible name a control's window text cannot give: a button whose
// caption is a sign, an owner-drawn button without one, a field the system
// finds no label for. The control answers WM_GETOBJECT for its client object
// with the system's standard accessible object wrapped so that its name is
// ours; everything else (role, state, location, actions) is the system's.
// The system's own annotation service would do the same, but not every
// system that runs this program has it. User-interface thread only.
#pragma once

#include <windows.h>

#include <string>

// The answer to WM_GETOBJECT for `window`'s client object with `name`; 0 (let
// the system answer) for any other object or when the standard object cannot
// be made.
LRESULT AccessibleObjectNamed(HWND window, WPARAM wParam, LPARAM lParam, const std::wstring& name);

// The system code page's text as UTF-16.
std::wstring WideFromAnsi(const std::string& text);
