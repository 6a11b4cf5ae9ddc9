// The console's command vocabulary: what each button sends. Windows-free.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "Command.h"

struct ButtonCommand {
    int controlId;
    const char* text;  // CR-terminated
    CommandKind kind;  // the toggles ask first
};

// The fixed command of a console button; nothing for Video (its command
// depends on the layout), the CC and mode buttons and the label.
std::optional<ButtonCommand> CommandForButton(int controlId);

// Video: the Advanced layout's video input, or the Simple layout's.
std::string VideoCommand(bool advancedLayout);

// Choosing a caption channel: "CCAP " + its value + CR.
std::string CaptionCommand(std::string_view value);

// The switches a script sets directly, without asking first: the commands the
// toggles' follow-ups send.
std::string PowerCommand(bool on);
std::string MuteCommand(bool on);
std::string FreezeCommand(bool on);

// A source by its code as the projector takes it: "SOURCE " + code + CR.
std::string SourceCommand(std::string_view code);
