#include "LayoutRules.h"

#include "resource.h"

namespace {

struct GroupOf {
    int id;
    int group;
};

constexpr GroupOf kGroups[] = {
    {IDC_POWER, 1},  {IDC_COMPUTER1, 2}, {IDC_COMPUTER2, 2},   {IDC_COMPUTER, 2},    {IDC_QUILLAN, 2},
    {IDC_VIDEO, 3},  {IDC_SVIDEO, 3},    {IDC_AVMUTE, 4},      {IDC_FREEZE, 4},      {IDC_CC, 4},
    {IDC_MODE, 5},   {IDC_VOLUME_UP, 0}, {IDC_VOLUME_DOWN, 0}, {IDC_VOLUME_LABEL, 0},
};

}  // namespace

int GroupOfControl(int id)
{
    for (const GroupOf& g : kGroups)
        if (g.id == id) return g.group;
    return -1;
}

bool ShownInLayout(int id, const AppSettings& s, bool captionsAvailable)
{
    const bool advanced = s.mode == kModeAdvanced;
    auto flag = [](std::uint8_t value) { return value != 0; };
    switch (id) {
    case IDC_POWER: case IDC_MODE: case IDC_FRAME:
        return true;
    case IDC_COMPUTER1: return advanced && flag(s.showAdvanceComputer1);
    case IDC_COMPUTER2: return advanced && flag(s.showAdvanceComputer2);
    case IDC_COMPUTER: return !advanced && flag(s.showSimpleComputer);
    case IDC_QUILLAN: return advanced && flag(s.showAdvanceQuillan);
    case IDC_VIDEO: return flag(advanced ? s.showAdvanceVideo : s.showSimpleVideo);
    case IDC_SVIDEO: return advanced && flag(s.showAdvanceSVideo);
    case IDC_AVMUTE: return flag(advanced ? s.showAdvanceAVMute : s.showSimpleAVMute);
    case IDC_FREEZE: return flag(advanced ? s.showAdvanceFreeze : s.showSimpleFreeze);
    case IDC_CC: return captionsAvailable && flag(advanced ? s.showAdvanceCC : s.showSimpleCC);
    case IDC_VOLUME_LABEL: case IDC_VOLUME_DOWN: case IDC_VOLUME_UP:
        return flag(advanced ? s.showAdvanceVolume : s.showSimpleVolume);
    default:
        return false;
    }
}

int LoneModeButtonOffset(int dpiX)
{
    return dpiX <= 96 ? 50 : 58;
}
