// What the Beamdesk console on this machine is set to, read the way the
// console reads it: its saved protocol, projector address and passwords (the
// settings key on Windows), its caption channels and its PJLink input codes
// (the Beamdesk.ini beside the program on Windows). Elsewhere there is no
// saved projector, the built-in channel list applies and the built-in input
// codes. Implementations: ConsoleSettings_win.cpp, ConsoleSettings_posix.cpp.
#pragma once

#include <optional>

#include "ProgramIni.h"
#include "Target.h"

// Nothing when there are no saved settings.
std::optional<SavedProjector> ReadSavedProjector();
ValueTable ReadCaptionChannels();
// The [PJLINK] section's entries as the file has them; empty without one.
ValueTable ReadPjlinkInputs();
