// What the user did, as both byte-log judges are told it, and the rule both
// apply to a command that reached the projector and was pressed: it answers
// the next press from where the last match stopped that sends it (presses
// may be dropped, never repeated or reordered). Windows-free.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

struct UserEvent {
    enum Kind { Press, Tick, Yes } kind;
    std::string command;
};

// What the user did, in the order the console receives it; a judge's record.
class UserEventLog {
public:
    // A press that sends `command` unless dropped.
    void Pressed(std::string command) { m_events.push_back({UserEvent::Press, std::move(command)}); }
    void Ticked() { m_events.push_back({UserEvent::Tick, {}}); }  // a keep-alive tick
    void ConfirmedPowerOff() { m_events.push_back({UserEvent::Yes, {}}); }  // Yes to "Power off?"
    std::size_t EventCount() const { return m_events.size(); }

protected:
    const std::vector<UserEvent>& Events() const { return m_events; }

private:
    std::vector<UserEvent> m_events;
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
