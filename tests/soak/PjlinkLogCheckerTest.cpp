// The soak's judge of what a PJLink projector received: for each case, what
// the user did, the byte log, and the connection it must blame (or none).
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "PjlinkLogChecker.h"
#include "ProjectorSimulator.h"

namespace {

// What the user did: "p:<command>" a press (CR added), "t" a tick, "y" a Yes.
using Doings = std::vector<std::string>;

constexpr const char* kStartUp = "%1CLSS ?\r";

struct Case {
    const char* why;
    Doings doings;
    std::vector<std::string> connections;  // after the start-up's connection 0, which asked the class
    int badConnection = -1;                // -1: everything was asked for
    int projectorClass = 2;
};

void Replay(PjlinkLogChecker& checker, const Doings& doings)
{
    for (const std::string& d : doings) {
        if (d == "t")
            checker.Ticked();
        else if (d == "y")
            checker.ConfirmedPowerOff();
        else
            checker.Pressed(d.substr(2) + "\r");
    }
}

void ExpectBlame(const std::string& why, int badConnection, const PjlinkLogChecker::Verdict& verdict)
{
    if (badConnection < 0) {
        EXPECT_FALSE(verdict.badConnection) << why << ": " << verdict.reason;
    } else {
        ASSERT_TRUE(verdict.badConnection) << why;
        EXPECT_EQ(*verdict.badConnection, static_cast<std::size_t>(badConnection)) << why << ": " << verdict.reason;
    }
}

// Connections greeted without a password, after the start-up's.
void CheckEach(const std::vector<Case>& cases)
{
    for (const Case& c : cases) {
        PjlinkLogChecker checker("", c.projectorClass);
        Replay(checker, c.doings);
        std::vector<std::string> log{kStartUp};
        log.insert(log.end(), c.connections.begin(), c.connections.end());
        ExpectBlame(c.why, c.badConnection, checker.Check(log, {}));
    }
}

}  // namespace

TEST(PjlinkLogChecker, LinesAndTheClassQuestion)
{
    CheckEach({
        {"connections that received nothing", {"p:%1INPT 11"}, {"", "%1INPT 11\r", ""}},
        {"an unfinished line", {"p:%1INPT 11"}, {"%1INPT 1"}, 1},
        {"an LF after the CR", {"p:%1INPT 11"}, {"%1INPT 11\r\n"}, 1},
        {"an LF instead of the CR", {"p:%1INPT 11"}, {"%1INPT 11\n"}, 1},
        {"no command line", {}, {"HELLO\r"}, 1},
        {"no space after the body", {"p:%1INPT 11"}, {"%1INPT11\r"}, 1},
        {"the class question first on any connection", {"p:%1INPT 11"}, {"%1CLSS ?\r%1INPT 11\r", "%1CLSS ?\r"}},
        {"the class question after a command", {"p:%1INPT 11"}, {"%1INPT 11\r%1CLSS ?\r"}, 1},
        {"the other protocol's keep-alive", {"t"}, {":\r"}, 1},
        {"a tick sends nothing", {"t"}, {"%1POWR ?\r"}, 1},
    });

    // Nothing goes out before the class has been asked.
    PjlinkLogChecker checker("", 2);
    checker.Pressed("%1INPT 11\r");
    ExpectBlame("a command before any class question", 1, checker.Check({"", "%1INPT 11\r"}, {}));
    ExpectBlame("the class asked on a later connection", -1,
                checker.Check({"", "", "%1CLSS ?\r%1INPT 11\r"}, {}));
}

TEST(PjlinkLogChecker, DigestOnlyWhereTheGreetingAskedForOne)
{
    // The standard's example: MD5 of "498e4a67" and "JBMIAProjectorLink".
    const std::string random = "498e4a67";
    const std::string digest = "5d8409bc1c3fa39749434aa3a5c38682";
    PjlinkLogChecker checker("JBMIAProjectorLink", 2);
    checker.Pressed("%1INPT 11\r");
    checker.Pressed("%1INPT 12\r");
    std::string capitals = digest;
    for (char& c : capitals)
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    const struct {
        const char* why;
        std::vector<std::pair<std::string, std::string>> log;  // (greeting's random, received)
        int badConnection;
    } cases[] = {
        {"the digest on each protected connection's first line",
         {{random, digest + kStartUp}, {"", "%1INPT 11\r"}, {random, digest + "%1INPT 12\r"}}, -1},
        {"a protected connection that received nothing", {{random, ""}, {random, digest + kStartUp}}, -1},
        {"no digest though asked for", {{random, kStartUp}}, 0},
        {"the digest of another random", {{"12345678", digest + kStartUp}}, 0},
        {"the digest in capitals", {{random, capitals + kStartUp}}, 0},
        {"the digest of another password",
         {{random, ProjectorSimulator::Md5Hex(random + "JBMIAProjectorLinq") + kStartUp}}, 0},
        {"the digest alone", {{random, digest + "\r"}}, 0},
        {"a digest though none was asked for", {{"", digest + kStartUp}}, 0},
        {"a digest on the second line", {{random, digest + kStartUp + digest + "%1INPT 11\r"}}, 0},
    };
    for (const auto& c : cases) {
        std::vector<std::string> received, randoms;
        for (const auto& [r, bytes] : c.log) {
            randoms.push_back(r);
            received.push_back(bytes);
        }
        ExpectBlame(c.why, c.badConnection, checker.Check(received, randoms));
    }
}

TEST(PjlinkLogChecker, PressesInTheirOrder)
{
    CheckEach({
        {"each press once, over two connections", {"p:%2SVOL 1", "p:%1INPT 11", "p:%1INPT 51"},
         {"%2SVOL 1\r", "%1INPT 11\r%1INPT 51\r"}},
        {"presses dropped", {"p:%2SVOL 1", "p:%1INPT 11", "p:%2SVOL 0"}, {"%2SVOL 0\r"}},
        {"a command nobody pressed", {"p:%1INPT 11"}, {"%1INPT 11\r%1INPT 12\r"}, 1},
        {"one press sent twice", {"p:%1INPT 11"}, {"%1INPT 11\r", "%1INPT 11\r"}, 2},
        {"two presses in the wrong order", {"p:%1INPT 11", "p:%1INPT 21"}, {"%1INPT 21\r%1INPT 11\r"}, 1},
        {"class 1: class-2 presses dropped", {"p:%2SVOL 1", "p:%2FREZ ?", "p:%1INPT 11"}, {"%1INPT 11\r"}, -1, 1},
        {"class 1: a class-2 press sent", {"p:%2SVOL 1"}, {"%2SVOL 1\r"}, 1, 1},
        {"class 1: a class-2 query sent", {"p:%2FREZ ?"}, {"%2FREZ ?\r"}, 1, 1},
    });
}

TEST(PjlinkLogChecker, FollowUpsRightAfterTheirQuery)
{
    CheckEach({
        {"each toggle's follow-ups", {"p:%1AVMT ?", "p:%1AVMT ?", "p:%2FREZ ?", "p:%2FREZ ?", "p:%1POWR ?"},
         {"%1AVMT ?\r%1AVMT 30\r%1AVMT ?\r%1AVMT 31\r%2FREZ ?\r%2FREZ 0\r", "%2FREZ ?\r%2FREZ 1\r%1POWR ?\r%1POWR 1\r"}},
        {"a query without a follow-up", {"p:%1POWR ?", "p:%1INPT 11"}, {"%1POWR ?\r%1INPT 11\r"}},
        {"a follow-up on the next connection", {"p:%1AVMT ?"}, {"%1AVMT ?\r", "%1AVMT 30\r"}, 2},
        {"a press between query and follow-up", {"p:%1AVMT ?", "p:%1INPT 11"}, {"%1AVMT ?\r%1INPT 11\r%1AVMT 30\r"}, 1},
        {"another toggle's follow-up", {"p:%1POWR ?"}, {"%1POWR ?\r%1AVMT 30\r"}, 1},
        {"two follow-ups for one query", {"p:%1AVMT ?"}, {"%1AVMT ?\r%1AVMT 30\r%1AVMT 31\r"}, 1},
        {"a follow-up without a query", {"p:%1INPT 11"}, {"%1INPT 11\r%2FREZ 1\r"}, 1},
        {"a follow-up after the class question", {}, {"%1CLSS ?\r%1POWR 1\r"}, 1},
        {"no follow-up in the table", {"p:%1AVMT ?"}, {"%1AVMT ?\r%1AVMT 10\r"}, 1},
    });
}

TEST(PjlinkLogChecker, PowerOffOnlyForAYes)
{
    CheckEach({
        {"Yes", {"p:%1POWR ?", "y"}, {"%1POWR ?\r%1POWR 0\r"}},
        {"Yes after a tick and a press while the question was open", {"p:%1POWR ?", "t", "p:%1INPT 11", "y"},
         {"%1POWR ?\r%1INPT 11\r%1POWR 0\r"}},
        {"no Yes", {"p:%1POWR ?"}, {"%1POWR ?\r%1POWR 0\r"}, 1},
        {"a Yes before the power press", {"y", "p:%1POWR ?"}, {"%1POWR ?\r%1POWR 0\r"}, 1},
        {"two power-offs for one Yes", {"p:%1POWR ?", "y", "p:%1POWR ?"},
         {"%1POWR ?\r%1POWR 0\r%1POWR ?\r%1POWR 0\r"}, 1},
        {"no power query at all", {"y"}, {"%1POWR 0\r"}, 1},
        {"after a mute query", {"p:%1POWR ?", "p:%1AVMT ?", "y"}, {"%1AVMT ?\r%1POWR 0\r"}, 1},
        {"after a press made after the Yes", {"p:%1POWR ?", "y", "p:%1INPT 11"}, {"%1POWR ?\r%1INPT 11\r%1POWR 0\r"},
         1},
        // The projector closed the question's connection: a new one for the Yes.
        {"first on a later connection", {"p:%1POWR ?", "y"}, {"%1POWR ?\r", "", "%1POWR 0\r"}},
        {"after the class question on a later connection", {"p:%1POWR ?", "y"}, {"%1POWR ?\r", "%1CLSS ?\r%1POWR 0\r"}},
        {"after a press made while the question was open, on a later connection", {"p:%1POWR ?", "p:%1INPT 11", "y"},
         {"%1POWR ?\r", "%1INPT 11\r%1POWR 0\r"}},
        {"after a press made after the Yes, on a later connection", {"p:%1POWR ?", "y", "p:%1INPT 11"},
         {"%1POWR ?\r", "%1INPT 11\r%1POWR 0\r"}, 2},
        {"the Yes of an older question on a later connection", {"p:%1POWR ?", "y", "p:%1POWR ?"},
         {"%1POWR ?\r", "%1POWR ?\r%1POWR 0\r"}, 2},
    });
}

TEST(PjlinkLogChecker, CountsWhatArrived)
{
    PjlinkLogChecker checker("pw", 2);
    for (const char* d : {"p:%1INPT 11", "t", "p:%1AVMT ?", "p:%1POWR ?", "y", "p:%2SVOL 1"}) Replay(checker, {d});
    const std::string random = "0000abcd";
    const std::string digest = ProjectorSimulator::Md5Hex(random + "pw");
    const auto verdict = checker.Check(
        {digest + kStartUp + "%1INPT 11\r%1AVMT ?\r%1AVMT 31\r", "%1POWR ?\r", digest + "%1POWR 0\r"},
        {random, "", random});
    EXPECT_FALSE(verdict.badConnection) << verdict.reason;
    EXPECT_EQ(verdict.eventsExplained, 4u);  // up to the power query; the volume press was dropped
    EXPECT_EQ(verdict.pressesArrived, 3u);
    EXPECT_EQ(verdict.followUps, 1u);
    EXPECT_EQ(verdict.powerOffs, 1u);
    EXPECT_EQ(verdict.classQuestions, 1u);
    EXPECT_EQ(verdict.digests, 2u);
}
