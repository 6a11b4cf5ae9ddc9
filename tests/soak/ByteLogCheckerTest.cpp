// The soak's judge of what the projector received: for each case, what the
// user did, the byte log, and the connection it must blame (or none).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ByteLogChecker.h"

namespace {

using namespace std::string_literals;

// What the user did: "p:<command>" a press, "t" a tick, "y" a Yes.
using Doings = std::vector<std::string>;

struct Case {
    const char* why;
    Doings doings;
    std::vector<std::string> sessions;  // each a session connection after a probe connection; commands only
    int badConnection = -1;             // -1: everything was asked for
    std::size_t freeTicks = 0;
    bool outOfStep = false;             // replies may come out of step on every connection
};

void Replay(ByteLogChecker& checker, const Doings& doings)
{
    for (const std::string& d : doings) {
        if (d == "t")
            checker.Ticked();
        else if (d == "y")
            checker.ConfirmedPowerOff();
        else
            checker.Pressed(d.substr(2));
    }
}

// A probe connection before every session, as the console makes them.
std::vector<std::string> Log(const ByteLogChecker& checker, const std::vector<std::string>& sessions)
{
    std::vector<std::string> log;
    for (const std::string& commands : sessions) {
        log.push_back(checker.Probe());
        log.push_back(checker.OpenRequest() + commands);
    }
    return log;
}

void ExpectBlame(const char* why, int badConnection, const ByteLogChecker::Verdict& verdict)
{
    if (badConnection < 0) {
        EXPECT_FALSE(verdict.badConnection) << why << ": " << verdict.reason;
    } else {
        ASSERT_TRUE(verdict.badConnection) << why;
        EXPECT_EQ(*verdict.badConnection, static_cast<std::size_t>(badConnection)) << why << ": " << verdict.reason;
    }
}

void CheckEach(const std::vector<Case>& cases)
{
    for (const Case& c : cases) {
        ByteLogChecker checker;
        Replay(checker, c.doings);
        if (c.outOfStep) checker.BeginOutOfStep(0);
        ExpectBlame(c.why, c.badConnection, checker.Check(Log(checker, c.sessions), c.freeTicks));
    }
}

}  // namespace

TEST(ByteLogChecker, HandshakeConnections)
{
    ByteLogChecker checker("sesame");
    const std::string probe = checker.Probe();
    const std::string open = checker.OpenRequest();
    ASSERT_EQ(probe, "QRM/TX.net\x10\x02\0\0\0\0"s);
    ASSERT_EQ(open, "QRM/TX.net\x10\x03\0\0\0\x01\x01\x01sesame"s + std::string(10, '\0'));
    checker.Pressed("KEY 57\r");
    const struct {
        const char* why;
        std::vector<std::string> log;
        int badConnection;
    } cases[] = {
        {"probe, session, command", {probe, open + "KEY 57\r"}, -1},
        {"connections cut short or empty", {"", probe.substr(0, 5), open.substr(0, 20), open}, -1},
        {"a probe connection with more than the probe", {probe + "K"}, 0},
        {"the probe where the open request belongs", {open, probe + "KEY 57\r"}, 1},
        {"another password", {probe, ByteLogChecker().OpenRequest() + "KEY 57\r"}, 1},
        {"a probe on the session connection", {probe, open + probe}, 1},
        {"text before any handshake", {"KEY 57\r"}, 0},
        {"an unfinished command that is a press's", {probe, open + "KEY 5"}, -1},
        {"an unfinished command nobody pressed", {probe, open + "KEY 56"}, 1},
    };
    for (const auto& c : cases) ExpectBlame(c.why, c.badConnection, checker.Check(c.log));
}

TEST(ByteLogChecker, PressesInTheirOrder)
{
    CheckEach({
        {"each press once, over two sessions", {"p:KEY 57\r", "p:SOURCE 10\r", "p:KEY 56\r"},
         {"KEY 57\r", "SOURCE 10\rKEY 56\r"}},
        {"presses dropped", {"p:KEY 57\r", "p:SOURCE 10\r", "p:KEY 56\r"}, {"KEY 56\r"}},
        {"a command nobody pressed", {"p:KEY 57\r"}, {"KEY 57\rSOURCE 20\r"}, 1},
        {"one press sent twice", {"p:KEY 57\r"}, {"KEY 57\r", "KEY 57\r"}, 3},
        {"two presses in the wrong order", {"p:KEY 57\r", "p:KEY 56\r"}, {"KEY 56\rKEY 57\r"}, 1},
        {"a caption choice as it was made", {"p:CCAP?\r", "p:CCAP 11\r"}, {"CCAP?\rCCAP 11\r"}},
    });
}

TEST(ByteLogChecker, FollowUpsBelongToTheirQuery)
{
    CheckEach({
        {"each toggle's follow-up at once", {"p:MUTE?\r", "p:FREEZE?\r", "p:PWSTATUS?\r"},
         {"MUTE?\rMUTE OFF\rFREEZE?\rFREEZE ON\rPWSTATUS?\rIMPWR ON\r"}},
        {"a plain press between the answer and its prompt", {"p:MUTE?\r", "p:KEY 57\r"}, {"MUTE?\rKEY 57\rMUTE ON\r"}},
        {"the caption query between", {"p:MUTE?\r", "p:CCAP?\r"}, {"MUTE?\rCCAP?\rMUTE ON\r"}},
        {"a follow-up on the next connection", {"p:MUTE?\r", "p:SOURCE 41\r"}, {"MUTE?\r", "SOURCE 41\rMUTE ON\r"}, 3},
        {"a follow-up without a query", {"p:KEY 57\r"}, {"KEY 57\rMUTE ON\r"}, 1},
        {"another toggle's follow-up", {"p:PWSTATUS?\r"}, {"PWSTATUS?\rMUTE OFF\r"}, 1},
        {"the older query's follow-up after a newer query", {"p:MUTE?\r", "p:FREEZE?\r"},
         {"MUTE?\rFREEZE?\rMUTE ON\r"}, 1},
        {"two follow-ups for one query", {"p:MUTE?\r"}, {"MUTE?\rMUTE ON\rMUTE OFF\r"}, 1},
        {"out of step: another toggle's follow-up", {"p:PWSTATUS?\r"}, {"PWSTATUS?\rMUTE OFF\r"}, -1, 0, true},
        {"out of step: after the caption query", {"p:CCAP?\r"}, {"CCAP?\rFREEZE ON\r"}, -1, 0, true},
        {"out of step: still none without a query", {"p:KEY 57\r"}, {"KEY 57\rMUTE ON\r"}, 1, 0, true},
        {"out of step: still none on the next connection", {"p:MUTE?\r", "p:KEY 57\r"},
         {"MUTE?\r", "KEY 57\rMUTE ON\r"}, 3, 0, true},
    });
}

TEST(ByteLogChecker, PowerOffOnlyForAYes)
{
    CheckEach({
        {"Yes", {"p:PWSTATUS?\r", "y"}, {"PWSTATUS?\rIMPWR OFF\r"}},
        {"Yes, with a keep-alive and a press while the question was open", {"p:PWSTATUS?\r", "t", "p:KEY 57\r", "y"},
         {"PWSTATUS?\r:\rKEY 57\rIMPWR OFF\r"}},
        {"no Yes", {"p:PWSTATUS?\r"}, {"PWSTATUS?\rIMPWR OFF\r"}, 1},
        {"a Yes before the power press", {"y", "p:PWSTATUS?\r"}, {"PWSTATUS?\rIMPWR OFF\r"}, 1},
        {"two power-offs for one Yes", {"p:PWSTATUS?\r", "y", "p:PWSTATUS?\r"},
         {"PWSTATUS?\rIMPWR OFF\rPWSTATUS?\rIMPWR OFF\r"}, 1},
        {"the Yes of one session taken to the next", {"p:PWSTATUS?\r", "y", "p:KEY 57\r"},
         {"PWSTATUS?\r", "KEY 57\rIMPWR OFF\r"}, 3},
        {"after a mute query only out of step", {"p:MUTE?\r", "y"}, {"MUTE?\rIMPWR OFF\r"}, 1},
        {"out of step: after a mute query", {"p:MUTE?\r", "y"}, {"MUTE?\rIMPWR OFF\r"}, -1, 0, true},
    });
}

TEST(ByteLogChecker, KeepAlivesOnlyWhenTicked)
{
    CheckEach({
        {"one per tick", {"t", "p:KEY 57\r", "t"}, {"KEY 57\r:\r:\r"}},
        {"more than ticked", {"p:KEY 57\r", "t"}, {"KEY 57\r:\r:\r"}, 1},
        {"the program's own timer", {"p:KEY 57\r"}, {"KEY 57\r:\r"}, -1, 1},
        {"a keep-alive opened a session", {"p:KEY 57\r", "t"}, {"KEY 57\r", ":\r"}, 3},
    });

    // The session the program opened at start-up may begin with one.
    ByteLogChecker checker;
    checker.Ticked();
    checker.OpenedAtStartUp(2);
    EXPECT_FALSE(checker.Check(Log(checker, {":\r"})).badConnection);
}

TEST(ByteLogChecker, CountsThePressesThatArrived)
{
    ByteLogChecker checker;
    checker.Pressed("KEY 57\r");
    checker.Ticked();
    checker.Pressed("KEY 56\r");
    checker.Pressed("SOURCE 10\r");
    EXPECT_EQ(checker.Check(Log(checker, {"KEY 57\r"})).eventsExplained, 1u);
    EXPECT_EQ(checker.Check(Log(checker, {"KEY 57\r:\r", "SOURCE 10\r"})).eventsExplained, 4u);
    const auto verdict = checker.Check(Log(checker, {"KEY 57\r:\r", "SOURCE 10\r"}));
    EXPECT_EQ(verdict.pressesArrived, 2u);
    EXPECT_EQ(verdict.keepAlives, 1u);
}

TEST(ByteLogChecker, OutOfStepOnlyWhereMarked)
{
    ByteLogChecker checker;
    checker.Pressed("PWSTATUS?\r");
    checker.Pressed("PWSTATUS?\r");
    checker.BeginOutOfStep(0);
    checker.EndOutOfStep(1);
    // Connections 0 and 1 are out of step, 2 and 3 are not.
    const auto log = Log(checker, {"PWSTATUS?\rMUTE ON\r", "PWSTATUS?\rMUTE ON\r"});
    const auto verdict = checker.Check(log);
    ASSERT_TRUE(verdict.badConnection);
    EXPECT_EQ(*verdict.badConnection, 3u) << verdict.reason;
}
