// The console's command vocabulary: what each button sends. Windows-free.
#pragma once

#include <optional>
#include <string>
#include <string_view>

struct ButtonCommand {
    int controlId;
    const char* text;        // CR-terminated
    bool expectReply;        // a query whose reply picks a follow-up
    bool clearsFollowUps;    // the toggles start afresh
};

// The fixed command of a console button; nothing for Video (its command
// depends on the layout), the CC and mode buttons and the label.
std::optional<ButtonCommand> CommandForButton(int controlId);

// Video: the Advanced layout's video input, or the Simple layout's.
std::string VideoCommand(bool advancedLayout);

// Choosing a caption channel: "CCAP " + its value + CR.
std::string CaptionCommand(std::string_view value);

constexpr std::string_view kKeepAliveCommand = ":\r";
constexpr std::string_view kCaptionQuery = "CCAP?\r";
