// The console's buttons as the soak's user sees them: which layout shows each
// one and the command a press of it must send there, in either protocol. The
// CC button's query and its drop-down are the user's own steps (the native
// protocol only: under PJLink the button is hidden).
#pragma once

#include "resource.h"

struct SoakButton {
    int id;
    const char* name;
    const char* advanced;  // the command in the Advanced layout; null: not shown there
    const char* simple;    // the same for the Simple layout
};

inline constexpr SoakButton kSoakButtons[] = {
    {IDC_POWER, "Power", "PWSTATUS?\r", "PWSTATUS?\r"},
    {IDC_COMPUTER1, "Computer1", "SOURCE 10\r", nullptr},
    {IDC_COMPUTER2, "Computer2", "SOURCE 20\r", nullptr},
    {IDC_COMPUTER, "Computer", nullptr, "SOURCE F1\r"},
    {IDC_QUILLAN, "Quillan", "SOURCE 50\r", nullptr},
    {IDC_VIDEO, "Video", "SOURCE 41\r", "SOURCE F2\r"},
    {IDC_SVIDEO, "S-Video", "SOURCE 42\r", nullptr},
    {IDC_AVMUTE, "A/V Mute", "MUTE?\r", "MUTE?\r"},
    {IDC_FREEZE, "Freeze", "FREEZE?\r", "FREEZE?\r"},
    {IDC_VOLUME_DOWN, "Volume -", "KEY 56\r", "KEY 56\r"},
    {IDC_VOLUME_UP, "Volume +", "KEY 57\r", "KEY 57\r"},
};

// Under PJLink, with the input codes Beamdesk uses when Beamdesk.ini names none.
inline constexpr SoakButton kPjlinkButtons[] = {
    {IDC_POWER, "Power", "%1POWR ?\r", "%1POWR ?\r"},
    {IDC_COMPUTER1, "Computer1", "%1INPT 11\r", nullptr},
    {IDC_COMPUTER2, "Computer2", "%1INPT 12\r", nullptr},
    {IDC_COMPUTER, "Computer", nullptr, "%1INPT 11\r"},
    {IDC_QUILLAN, "Quillan", "%1INPT 51\r", nullptr},
    {IDC_VIDEO, "Video", "%1INPT 21\r", "%1INPT 21\r"},
    {IDC_SVIDEO, "S-Video", "%1INPT 22\r", nullptr},
    {IDC_AVMUTE, "A/V Mute", "%1AVMT ?\r", "%1AVMT ?\r"},
    {IDC_FREEZE, "Freeze", "%2FREZ ?\r", "%2FREZ ?\r"},
    {IDC_VOLUME_DOWN, "Volume -", "%2SVOL 0\r", "%2SVOL 0\r"},
    {IDC_VOLUME_UP, "Volume +", "%2SVOL 1\r", "%2SVOL 1\r"},
};

inline constexpr const char* kCaptionQuery = "CCAP?\r";
// The CC drop-down's entries, as the soak's Beamdesk.ini lists them.
inline constexpr const char* kCaptionEntries[][2] = {{"OFF", "00"}, {"CC1", "11"}, {"CC2", "12"}};
