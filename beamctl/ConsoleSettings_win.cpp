#include "ConsoleSettings.h"

#include "AppSettings.h"
#include "IniPaths.h"
#include "SettingsStore.h"

std::optional<SavedProjector> ReadSavedProjector()
{
    AppSettings settings{};
    ResetSettings(settings);
    if (LoadSettings(settings) != 1) return std::nullopt;
    const ProtocolId protocol = settings.protocol == kProtocolPjlink ? ProtocolId::Pjlink : ProtocolId::Native;
    return SavedProjector{AddressText(settings), PasswordText(settings), protocol, PjlinkPasswordText(settings)};
}

// Beamdesk.ini beside beamctl.exe, which the installer puts beside the console.
ValueTable ReadCaptionChannels()
{
    ValueTable table;
    int unusedTimeoutMs = kDefaultCommandTimeoutMs;
    LoadProgramIni(ResolveIniPaths().program, table, unusedTimeoutMs);
    return table;
}

ValueTable ReadPjlinkInputs()
{
    return LoadIniSection(ResolveIniPaths().program, "PJLINK");
}
