// What the user did, as both byte-log judges are told it, and the rule both
// apply to a command that reached the projector and was pressed: it answers
// the next press from where the last match stopped that sends it (presses
// may be dropped, never repeated or reordered). Windows-free.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct UserEvent {
    enum Kind { Press, Tick, Yes } kind;
    std::string command;
};

// The index of the press `command` answers, from `next` on; else why there is none.
inline std::variant<std::size_t, std::string> MatchPress(const std::vector<UserEvent>& events, std::size_t next,
                                                          std::string_view command)
{
    std::size_t press = next;
    while (press < events.size() && (events[press].kind != UserEvent::Press || events[press].command != command))
        ++press;
    if (press < events.size()) return press;
    const bool pressedBefore = std::any_of(events.begin(), events.begin() + static_cast<long>(next),
                                           [&](const UserEvent& e) { return e.command == command; });
    return std::string(pressedBefore ? ": sent again, or before a press that came earlier" : ": no press asked for it");
}
