// A session's actions as one line of text, for conversation tables:
// "send MUTE?\r | stop | report 83".
#pragma once

#include <string>

#include "LinkSession.h"

inline std::string Describe(const LinkActions& actions)
{
    std::string out;
    for (const LinkAction& a : actions) {
        if (!out.empty()) out += " | ";
        switch (a.kind) {
        case LinkAction::Kind::Send: out += "send " + a.text; break;
        case LinkAction::Kind::StopTimer: out += "stop"; break;
        case LinkAction::Kind::Close: out += "close"; break;
        case LinkAction::Kind::Report: out += "report " + std::to_string(a.code); break;
        case LinkAction::Kind::ConfirmPowerOff: out += "confirm " + a.text; break;
        case LinkAction::Kind::ShowCaptionMenu: out += "menu " + std::to_string(a.code); break;
        case LinkAction::Kind::Dropped: out += "dropped " + std::to_string(a.code); break;
        case LinkAction::Kind::Reconnect: out += "reconnect " + a.text; break;
        }
    }
    return out;
}
