// What the console's buttons and a script's words send under PJLink, and the
// follow-up a toggle's reply chooses. Class 2 commands ("%2") go only to a
// class-2 projector. Windows-free.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Command.h"
#include "Press.h"

// The inputs the source buttons select: a type digit (1 RGB, 2 video,
// 3 digital, 4 storage, 5 network, 6 internal) and a number (1-9, or A-Z
// for class 2).
struct PjlinkInputs {
    std::string computer1 = "11";
    std::string computer2 = "12";
    std::string computer = "11";
    std::string quillan = "51";
    std::string video = "21";
    std::string svideo = "22";

    bool operator==(const PjlinkInputs&) const = default;
};

// Beamdesk.ini's [PJLINK] entries (key, value) over the defaults: the keys
// Computer1, Computer2, Computer, Quillan, Video and SVideo, without regard to
// case. A value that is no input code keeps its default.
PjlinkInputs PjlinkInputsFrom(const std::vector<std::pair<std::string, std::string>>& entries);

// An input code as a projector takes it, letters in upper case; nothing when
// `code` is none.
std::optional<std::string> NormalizedInputCode(std::string_view code);
// "%1INPT <code>", or "%2INPT" for an internal input (type 6) or a letter.
std::string PjlinkInputCommand(std::string_view code);

std::optional<Command> PjlinkCommandFor(Press press, const PjlinkInputs& inputs);

// The switches a script sets without asking first.
std::string PjlinkPowerCommand(bool on);
std::string PjlinkMuteCommand(bool on);
std::string PjlinkFreezeCommand(bool on);
std::string PjlinkVolumeCommand(bool up);

// "%1CLSS ?": a projector's class (1 or 2).
extern const std::string_view kPjlinkClassQuery;
// The class a CLSS reply names, read leniently ("2", "Class 2"); nothing when
// it names none.
std::optional<int> ClassFromReply(std::string_view parameter);

// Whether the command needs a class-2 projector.
bool NeedsClass2(std::string_view commandText);

// The follow-up a toggle's reply chooses: the command body asked ("POWR")
// and the reply's parameter ("0"). Nothing when the reply asks for nothing.
std::optional<std::string> PjlinkFollowUp(std::string_view body, std::string_view parameter);
