#include "ConsoleSettings.h"

// No console runs here, so nothing is saved: the address comes from the
// command line or the environment, and a caption channel outside the built-in
// list is given by its value.
std::optional<SavedProjector> ReadSavedProjector()
{
    return std::nullopt;
}

ValueTable ReadCaptionChannels()
{
    return BuiltInValueTable();
}

ValueTable ReadPjlinkInputs()
{
    return {};
}
