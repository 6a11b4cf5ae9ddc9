// What the Beamdesk console on this machine is set to, read the way the
// console reads it: its saved projector address and password (the settings key
// on Windows) and its caption channels (the Beamdesk.ini beside the program on
// Windows). Elsewhere there is no saved projector and the built-in channel
// list applies. Implementations: ConsoleSettings_win.cpp, ConsoleSettings_posix.cpp.
#pragma once

#include <optional>

#include "ProgramIni.h"
#include "Target.h"

// Nothing when there are no saved settings.
std::optional<SavedProjector> ReadSavedProjector();
ValueTable ReadCaptionChannels();
