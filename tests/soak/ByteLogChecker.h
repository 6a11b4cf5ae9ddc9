// Decides whether every byte the projector received was asked for: it is
// told what the user did (presses, keep-alive ticks, a Yes to "Power off?"),
// in order, and then judges the projector's whole byte log, one string per
// connection. Windows-free; one thread.
//
// What it accepts, and nothing more:
//  - a probe connection holds the probe request, or the start of it when the
//    connection ended early;
//  - a session connection starts with the open request; every command after
//    it is
//      * a press's command, in press order (presses may be dropped, never
//        repeated),
//      * the follow-up of a query sent before it on the same connection: the
//        last query, one follow-up each, of that query's own kind; with only
//        keep-alives and commands that are no toggle query between,
//      * "IMPWR OFF" only after a power query on the same connection and a
//        Yes given after that query's press, one per Yes,
//      * a keep-alive, no more of them than ticks, and never the command that
//        opens a session (only the sessions the program opened on its own at
//        start-up may begin with one);
//  - on connections whose replies may come out of step (the projector cut
//    them, trickled them or put other lines before them), a reply can be
//    taken for the answer to a later command: there a follow-up only needs
//    some query (or caption query) before it on the same connection.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "UserEvents.h"

class ByteLogChecker : public UserEventLog {
public:
    explicit ByteLogChecker(std::string password = "");

    // The first `count` connections were made by the program's start-up.
    void OpenedAtStartUp(std::size_t count) { m_startUpConnections = count; }
    // From connection `first` on (until EndOutOfStep), replies may come out of step.
    void BeginOutOfStep(std::size_t first);
    void EndOutOfStep(std::size_t last);

    struct Verdict {
        std::optional<std::size_t> badConnection;  // set when something was not asked for
        std::string reason;
        std::size_t eventsExplained = 0;  // events up to and including the last press that reached the projector
        std::size_t pressesArrived = 0;
        std::size_t keepAlives = 0;
    };
    // `freeTicks`: keep-alives the program's own timer may have sent so far.
    Verdict Check(const std::vector<std::string>& received, std::size_t freeTicks = 0) const;

    const std::string& Probe() const { return m_probe; }
    const std::string& OpenRequest() const { return m_open; }

private:
    using Event = UserEvent;
    struct Range {
        std::size_t first;
        std::size_t last;
    };
    bool OutOfStep(std::size_t connection) const;

    std::string m_probe;
    std::string m_open;
    std::size_t m_startUpConnections = 0;
    std::vector<Range> m_outOfStep;
};
