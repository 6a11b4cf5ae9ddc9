// The soak's judge for a PJLink projector: like ByteLogChecker, it is told
// what the user did (presses, keep-alive ticks, a Yes to "Power off?"), in
// order, and then judges the projector's whole byte log, one string per
// connection, beside the random each connection's greeting carried.
// Windows-free; one thread.
//
// What it accepts, and nothing more:
//  - every line a connection received is a complete PJLink command line,
//    ended by CR;
//  - a connection whose greeting asked for a password has the digest (MD5 of
//    the greeting's random and Beamdesk's password, 32 lower-case hex
//    characters) in front of its first line; no other line carries one, nor
//    does any line of a connection greeted without a password;
//  - "%1CLSS ?" only as a connection's first line, and nothing else before
//    the first of them;
//  - a press's command, in press order (presses may be dropped, never
//    repeated or reordered); keep-alive ticks send nothing;
//  - a follow-up right after its query on the same connection, one the
//    query's reply table can choose ("%1POWR 1"; "%1AVMT 30", "%1AVMT 31";
//    "%2FREZ 0", "%2FREZ 1");
//  - "%1POWR 0" only for a Yes given after the press of the last power query
//    sent before it, one per Yes, and before any press made after that Yes.
//    That query went out on the same connection, or (the projector closed
//    that one while the question was open) on an earlier one: the console
//    opens a new connection for the Yes, or for a press made while the
//    question was open, which may then go first;
//  - no "%2" line at all to a class-1 projector.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "UserEvents.h"

class PjlinkLogChecker : public UserEventLog {
public:
    // `password`: Beamdesk's (empty: none); `projectorClass`: 1 or 2.
    PjlinkLogChecker(std::string password, int projectorClass);

    struct Verdict {
        std::optional<std::size_t> badConnection;  // set when something was not asked for
        std::string reason;
        std::size_t eventsExplained = 0;  // events up to and including the last press that reached the projector
        std::size_t pressesArrived = 0;
        std::size_t followUps = 0;
        std::size_t powerOffs = 0;
        std::size_t classQuestions = 0;
        std::size_t digests = 0;
    };
    // `greetingRandoms`: per connection, the random its greeting carried;
    // empty (or missing) when it asked for no password or was never sent.
    Verdict Check(const std::vector<std::string>& received, const std::vector<std::string>& greetingRandoms) const;

private:
    using Event = UserEvent;

    std::string m_password;
    int m_class;
};
