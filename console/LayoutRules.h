// Which console buttons a layout shows and how they group along the row.
// Windows-free.
#pragma once

#include "AppSettings.h"

// The group of a control along the row (Power 1, sources 2, video 3, picture
// and captions 4, mode 5, the volume row 0), or -1 for any other control.
int GroupOfControl(int id);

// Whether the layout chosen by settings.mode (1 Advanced, anything else
// Simple) shows control `id`. Power, the mode button and the frame always;
// the CC button never when the projector's protocol has no captions,
// whatever its show flag says.
bool ShownInLayout(int id, const AppSettings& settings, bool captionsAvailable = true);

// Extra room between Power and the mode button when nothing stands between
// them, by the screen's horizontal resolution.
int LoneModeButtonOffset(int dpiX);
