// The PJLink session through whole conversations: openings against a scripted
// projector (greeting, digest, class), every button from each state, replies
// cut anywhere and in lower case, the projector's errors, closes between
// commands, idle closes and the power-off question across a reconnection.
// Also the wire rules and the input codes.
#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "DescribeActions.h"
#include "Md5.h"
#include "PjlinkSession.h"
#include "SessionRecords.h"

namespace {

using namespace std::string_literals;
using namespace std::chrono_literals;

// A projector on the other end of the opening, playing a script: each read
// takes the next line (nothing: no line within the wait). Writes down what
// the opening did: "open | read 2000 | send %1CLSS ?\r | read 5000".
class ScriptedProjector : public OpeningChannel {
public:
    bool connects = true;
    std::deque<std::optional<std::string>> lines;
    std::string log;

    bool Open(std::optional<int>& report) override
    {
        Note(connects ? "open" : "refused");
        if (!connects) report = kStatusConnectFailed;
        return connects;
    }
    int Exchange(const std::uint8_t*, std::size_t) override
    {
        Note("exchange");
        return kStatusNoReply;
    }
    void Close() override { Note("close"); }
    bool SendText(std::string_view bytes) override
    {
        Note("send " + std::string(bytes));
        return true;
    }
    std::optional<std::string> ReadLine(std::chrono::milliseconds limit) override
    {
        Note("read " + std::to_string(limit.count()));
        if (lines.empty()) return std::nullopt;
        std::optional<std::string> line = lines.front();
        lines.pop_front();
        return line;
    }

private:
    void Note(const std::string& what) { log += (log.empty() ? "" : " | ") + what; }
};

SessionSettings Settings(std::string password = "")
{
    SessionSettings s;
    s.protocol = ProtocolId::Pjlink;
    s.address = "127.0.0.1";
    s.password = std::move(password);
    s.commandTimeout = 5000ms;
    return s;
}

const std::string kNoSecurity = "PJLINK 0";
const std::string kClass2 = "%1CLSS=2";

struct Step {
    enum Event { Open, Press, Submit, Chunk, Close, TimeOut, Idle, Yes, No } event;
    std::vector<std::optional<std::string>> lines;  // Open: what the projector says
    std::string text;                               // Press: the button; Submit: the command; Chunk: bytes
    ::Press press = ::Press::Power;
    CommandKind kind = CommandKind::Plain;
    std::string expect;  // Open: the channel's log and the outcome; else Describe() of the actions
};

Step OpenWith(std::vector<std::optional<std::string>> lines, std::string expect)
{
    return {Step::Open, std::move(lines), {}, ::Press::Power, CommandKind::Plain, std::move(expect)};
}
Step Push(::Press press, std::string expect)
{
    return {Step::Press, {}, {}, press, CommandKind::Plain, std::move(expect)};
}
Step Bytes(std::string chunk, std::string expect)
{
    return {Step::Chunk, {}, std::move(chunk), ::Press::Power, CommandKind::Plain, std::move(expect)};
}
Step Raw(std::string command, std::string expect)
{
    return {Step::Submit, {}, std::move(command), ::Press::Power, CommandKind::Plain, std::move(expect)};
}
Step Do(Step::Event event, std::string expect = "")
{
    return {event, {}, {}, ::Press::Power, CommandKind::Plain, std::move(expect)};
}

// The opening every connection makes to a class-2 projector without security,
// once its class is known.
const std::string kOpened = "open | read 2000 -> opened";
const std::string kFirstOpened = "open | read 2000 | send %1CLSS ?\r | read 5000 -> opened";

// The opening's log and outcome against a projector that says `lines`.
std::string OpenOn(PjlinkSession& s, const std::vector<std::optional<std::string>>& lines, bool connects = true)
{
    ScriptedProjector projector;
    projector.connects = connects;
    projector.lines.assign(lines.begin(), lines.end());
    const HandshakeOutcome outcome = s.Open(projector);
    return projector.log + " -> " + (outcome.opened ? "opened"s : "report " + std::to_string(outcome.report.value_or(0)));
}

std::string Apply(PjlinkSession& s, const Step& step)
{
    switch (step.event) {
    case Step::Open: return OpenOn(s, step.lines);
    case Step::Press: {
        const auto command = s.CommandFor(step.press);
        return command ? Describe(s.Submit(*command)) : "nothing";
    }
    case Step::Submit: return Describe(s.Submit({step.text, CommandKind::Plain}));
    case Step::Chunk: return Describe(s.Received(step.text));
    case Step::Close: s.Closed(); return "";
    case Step::TimeOut: return Describe(s.CommandTimedOut());
    case Step::Idle: return Describe(s.IdleTimedOut());
    case Step::Yes: return Describe(s.PowerOffAnswered(true));
    case Step::No: return Describe(s.PowerOffAnswered(false));
    }
    return {};
}

struct Conversation {
    const char* why;
    std::string password;
    std::vector<Step> steps;
};

void Converse(const Conversation& c)
{
    PjlinkSession session(Settings(c.password));
    for (std::size_t i = 0; i < c.steps.size(); ++i)
        EXPECT_EQ(Apply(session, c.steps[i]), c.steps[i].expect) << c.why << ", step " << i + 1;
}

}  // namespace

TEST(PjlinkWire, DigestOfTheStandardsExample)
{
    EXPECT_EQ(PjlinkDigest("498e4a67", "JBMIAProjectorLink"), "5d8409bc1c3fa39749434aa3a5c38682");
    EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
}

TEST(PjlinkSession, Openings)
{
    const std::string digest = "5d8409bc1c3fa39749434aa3a5c38682";
    const struct {
        const char* why;
        std::string password;
        bool connects;
        std::vector<std::optional<std::string>> lines;
        std::string log;
    } cases[] = {
        {"no security: the first connection asks the class", "", true, {kNoSecurity, kClass2}, kFirstOpened},
        {"security: the class question carries the digest", "JBMIAProjectorLink", true,
         {"PJLINK 1 498e4a67", "%1CLSS=1"},
         "open | read 2000 | send " + digest + "%1CLSS ?\r | read 5000 -> opened"},
        {"a lower-case greeting and reply, a class read leniently", "", true, {"pjlink 0", "%1clss=Class 2"},
         kFirstOpened},
        {"a wrong password", "secret", true, {"PJLINK 1 00112233", "PJLINK ERRA"},
         "open | read 2000 | send " + PjlinkDigest("00112233", "secret") + "%1CLSS ?\r | read 5000 -> report 67"},
        {"the projector wants a password and none is set", "", true, {"PJLINK 1 00112233"},
         "open | read 2000 -> report 67"},
        {"a password set, the projector wants none: it is not needed", "secret", true, {kNoSecurity, kClass2},
         kFirstOpened},
        {"no greeting", "", true, {}, "open | read 2000 -> report -1"},
        {"something else than a greeting", "", true, {"HELLO"}, "open | read 2000 -> report -1"},
        {"greeting, then no reply to the class", "", true, {kNoSecurity, std::nullopt},
         "open | read 2000 | send %1CLSS ?\r | read 5000 -> report -1"},
        {"a stray line before the class reply", "", true, {kNoSecurity, "%1POWR=0", kClass2},
         "open | read 2000 | send %1CLSS ?\r | read 5000 | read 5000 -> opened"},
        {"no connection", "", false, {}, "refused -> report 64"},
    };
    for (const auto& c : cases) {
        PjlinkSession session(Settings(c.password));
        EXPECT_EQ(OpenOn(session, c.lines, c.connects), c.log) << c.why;
    }
}

TEST(PjlinkSession, Conversations)
{
    using S = Step;
    const std::string openAgain = kOpened;
    const Conversation cases[] = {
        {"power from standby switches it on, at once on the same connection",
         "",
         {OpenWith({kNoSecurity, kClass2}, kFirstOpened), Push(Press::Power, "send %1POWR ?\r"),
          Bytes("%1POWR=0\r", "stop | send %1POWR 1\r"), Bytes("%1POWR=OK\r", "stop")}},
        {"power when on asks first; No sends nothing, Yes switches off",
         "",
         {OpenWith({kNoSecurity, kClass2}, kFirstOpened), Push(Press::Power, "send %1POWR ?\r"),
          Bytes("%1POWR=1\r", "stop | confirm %1POWR 0\r"), Do(S::No), Push(Press::Power, "send %1POWR ?\r"),
          Bytes("%1POWR=1\r", "stop | confirm %1POWR 0\r"), Do(S::Yes, "send %1POWR 0\r"),
          Bytes("%1POWR=OK\r", "stop")}},
        {"power while cooling down or warming up sends nothing more",
         "",
         {OpenWith({kNoSecurity, kClass2}, kFirstOpened), Push(Press::Power, "send %1POWR ?\r"),
          Bytes("%1POWR=2\r", "stop"), Push(Press::Power, "send %1POWR ?\r"), Bytes("%1POWR=3\r", "stop")}},
        {"A/V mute: anything muted unmutes both, unmuted mutes both",
         "",
         {OpenWith({kNoSecurity, kClass2}, kFirstOpened), Push(Press::AvMute, "send %1AVMT ?\r"),
          Bytes("%1AVMT=11\r", "stop | send %1AVMT 30\r"), Bytes("%1AVMT=OK\r", "stop"),
          Push(Press::AvMute, "send %1AVMT ?\r"), Bytes("%1AVMT=21\r", "stop | send %1AVMT 30\r"),
          Bytes("%1AVMT=OK\r", "stop"), Push(Press::AvMute, "send %1AVMT ?\r"),
          Bytes("%1AVMT=31\r", "stop | send %1AVMT 30\r"), Bytes("%1AVMT=OK\r", "stop"),
          Push(Press::AvMute, "send %1AVMT ?\r"), Bytes("%1AVMT=30\r", "stop | send %1AVMT 31\r"),
          Bytes("%1AVMT=OK\r", "stop")}},
        {"freeze toggles on a class-2 projector",
         "",
         {OpenWith({kNoSecurity, kClass2}, kFirstOpened), Push(Press::Freeze, "send %2FREZ ?\r"),
          Bytes("%2FREZ=1\r", "stop | send %2FREZ 0\r"), Bytes("%2FREZ=OK\r", "stop"),
          Push(Press::Freeze, "send %2FREZ ?\r"), Bytes("%2FREZ=0\r", "stop | send %2FREZ 1\r"),
          Bytes("%2FREZ=OK\r", "stop")}},
        {"inputs and volume; CC has no command",
         "",
         {OpenWith({kNoSecurity, kClass2}, kFirstOpened), Push(Press::Computer1, "send %1INPT 11\r"),
          Bytes("%1INPT=OK\r", "stop"), Push(Press::Computer2, "send %1INPT 12\r"), Bytes("%1INPT=OK\r", "stop"),
          Push(Press::Computer, "send %1INPT 11\r"), Bytes("%1INPT=OK\r", "stop"),
          Push(Press::Quillan, "send %1INPT 51\r"), Bytes("%1INPT=OK\r", "stop"),
          Push(Press::VideoAdvanced, "send %1INPT 21\r"), Bytes("%1INPT=OK\r", "stop"),
          Push(Press::VideoSimple, "send %1INPT 21\r"), Bytes("%1INPT=OK\r", "stop"),
          Push(Press::SVideo, "send %1INPT 22\r"), Bytes("%1INPT=OK\r", "stop"),
          Push(Press::VolumeDown, "send %2SVOL 0\r"), Bytes("%2SVOL=OK\r", "stop"),
          Push(Press::VolumeUp, "send %2SVOL 1\r"), Bytes("%2SVOL=OK\r", "stop"), Push(Press::CaptionQuery, "nothing")}},
        {"a class-1 projector gets no class-2 command",
         "",
         {OpenWith({kNoSecurity, "%1CLSS=1"}, kFirstOpened), Push(Press::Freeze, "dropped 257"),
          Push(Press::VolumeUp, "dropped 257"), Raw("%2INPT 6A\r", "dropped 257"),
          Push(Press::AvMute, "send %1AVMT ?\r")}},
        {"the digest goes once, in front of the connection's first line",
         "JBMIAProjectorLink",
         {OpenWith({"PJLINK 1 498e4a67", kClass2},
                   "open | read 2000 | send 5d8409bc1c3fa39749434aa3a5c38682%1CLSS ?\r | read 5000 -> opened"),
          Push(Press::Computer1, "send %1INPT 11\r"), Bytes("%1INPT=OK\r", "stop"), Do(S::Idle, "close"),
          OpenWith({"PJLINK 1 498e4a67"}, openAgain),
          Push(Press::Computer2, "send 5d8409bc1c3fa39749434aa3a5c38682%1INPT 12\r"), Bytes("%1INPT=OK\r", "stop"),
          Push(Press::Quillan, "send %1INPT 51\r")}},
        {"ERRA to a command: the password prompt, the connection closed",
         "secret",
         {OpenWith({"PJLINK 1 00000001", kClass2},
                   "open | read 2000 | send " + PjlinkDigest("00000001", "secret") + "%1CLSS ?\r | read 5000 -> opened"),
          Do(S::Close), OpenWith({"PJLINK 1 00000002"}, openAgain),
          Push(Press::Power, "send " + PjlinkDigest("00000002", "secret") + "%1POWR ?\r"),
          Bytes("PJLINK ERRA\r", "stop | close | report 67"), Push(Press::Power, "")}},
        {"ERR1 to ERR3 change nothing; ERR4 says the projector failed",
         "",
         {OpenWith({kNoSecurity, kClass2}, kFirstOpened), Push(Press::Power, "send %1POWR ?\r"),
          Bytes("%1POWR=ERR3\r", "stop"), Push(Press::Freeze, "send %2FREZ ?\r"), Bytes("%2FREZ=ERR1\r", "stop"),
          Push(Press::Computer1, "send %1INPT 11\r"), Bytes("%1INPT=ERR2\r", "stop"),
          Push(Press::AvMute, "send %1AVMT ?\r"), Bytes("%1AVMT=ERR4\r", "stop | report 256"),
          Push(Press::AvMute, "send %1AVMT ?\r")}},
        {"replies in lower case",
         "",
         {OpenWith({kNoSecurity, kClass2}, kFirstOpened), Push(Press::AvMute, "send %1AVMT ?\r"),
          Bytes("%1avmt=31\r", "stop | send %1AVMT 30\r"), Bytes("%1avmt=ok\r", "stop")}},
        {"a line that answers another command is not the answer",
         "",
         {OpenWith({kNoSecurity, kClass2}, kFirstOpened), Push(Press::Power, "send %1POWR ?\r"),
          Bytes("%1AVMT=31\r", ""), Bytes("garbage\r", ""), Bytes("%1POWR=0\r", "stop | send %1POWR 1\r")}},
        {"a close between commands is no failure: the next opening needs no class question",
         "",
         {OpenWith({kNoSecurity, kClass2}, kFirstOpened), Push(Press::Computer1, "send %1INPT 11\r"),
          Bytes("%1INPT=OK\r", "stop"), Do(S::Close), Push(Press::Computer2, ""),
          OpenWith({kNoSecurity}, openAgain), Push(Press::Computer2, "send %1INPT 12\r")}},
        {"an idle connection is closed; replies after it mean nothing",
         "",
         {OpenWith({kNoSecurity, kClass2}, kFirstOpened), Do(S::Idle, "close"), Bytes("%1POWR=0\r", ""),
          Do(S::Idle, "")}},
        {"a busy connection is not closed for being idle",
         "",
         {OpenWith({kNoSecurity, kClass2}, kFirstOpened), Push(Press::Power, "send %1POWR ?\r"), Do(S::Idle, ""),
          Push(Press::Freeze, "")}},
        {"an unanswered command closes the connection and is reported",
         "",
         {OpenWith({kNoSecurity, kClass2}, kFirstOpened), Push(Press::Power, "send %1POWR ?\r"),
          Do(S::TimeOut, "close | report 83"), Do(S::TimeOut, "")}},
        {"a Yes after the projector closed the connection reconnects for the power-off",
         "",
         {OpenWith({kNoSecurity, kClass2}, kFirstOpened), Push(Press::Power, "send %1POWR ?\r"),
          Bytes("%1POWR=1\r", "stop | confirm %1POWR 0\r"), Do(S::Close), Do(S::Yes, "reconnect %1POWR 0\r"),
          Do(S::Yes, "")}},
        {"a repeated reply never asks twice",
         "",
         {OpenWith({kNoSecurity, kClass2}, kFirstOpened), Push(Press::Power, "send %1POWR ?\r"),
          Bytes("%1POWR=1\r%1POWR=1\r", "stop | confirm %1POWR 0\r"), Do(S::Yes, "send %1POWR 0\r")}},
        {"nothing is sent while closed",
         "",
         {Push(Press::Power, ""), OpenWith({}, "open | read 2000 -> report -1"), Push(Press::Power, "")}},
    };
    for (const Conversation& c : cases) Converse(c);
}

// Wherever TCP cuts a reply, the same follow-up goes out.
TEST(PjlinkSession, RepliesSplitAtEveryByte)
{
    const struct {
        Press press;
        std::string reply;
        std::string followUp;
    } toggles[] = {
        {Press::Power, "%1POWR=0\r", "%1POWR 1\r"},
        {Press::AvMute, "%1avmt=31\r", "%1AVMT 30\r"},
        {Press::Freeze, "%2FREZ=0\r", "%2FREZ 1\r"},
    };
    for (const auto& t : toggles) {
        for (std::size_t cut = 1; cut < t.reply.size(); ++cut) {
            PjlinkSession session(Settings());
            ScriptedProjector projector;
            projector.lines = {kNoSecurity, kClass2};
            ASSERT_TRUE(session.Open(projector).opened);
            session.Submit(*session.CommandFor(t.press));
            LinkActions actions = session.Received(t.reply.substr(0, cut));
            EXPECT_TRUE(actions.empty()) << t.reply << " cut at " << cut;
            actions = session.Received(t.reply.substr(cut));
            EXPECT_EQ(Describe(actions), "stop | send " + t.followUp) << t.reply << " cut at " << cut;
        }
    }
}

TEST(PjlinkSession, AnswerForAWaitingDriver)
{
    PjlinkSession session(Settings());
    ScriptedProjector projector;
    projector.lines = {kNoSecurity, kClass2};
    ASSERT_TRUE(session.Open(projector).opened);

    session.Submit(*session.CommandFor(Press::AvMute));
    session.Received("%1AVMT=30\r");
    EXPECT_FALSE(session.Answer().complete);  // its follow-up is out
    EXPECT_TRUE(session.Answer().followedUp);
    session.Received("%1AVMT=OK\r");
    EXPECT_TRUE(session.Answer().complete);
    EXPECT_EQ(session.Answer().lines, (std::vector<std::string>{"%1AVMT=30", "%1AVMT=OK"}));
    EXPECT_FALSE(session.Answer().refusal);

    session.Submit({"%1POWR 1\r", CommandKind::Plain});
    session.Received("%1POWR=ERR3\r");
    EXPECT_TRUE(session.Answer().complete);
    EXPECT_EQ(session.Answer().refusal, "ERR3");
}

TEST(PjlinkCommands, InputCodesFromTheProgramIni)
{
    const PjlinkInputs inputs = PjlinkInputsFrom({{"computer1", "31"},   // keys without regard to case
                                                  {"Computer2", "3"},    // too short: the default
                                                  {"Quillan", "5Z"},     // a class-2 letter
                                                  {"Video", "72"},       // no such type
                                                  {"SVideo", "6a"},      // internal, letter upper-cased
                                                  {"Computer", "1:"}});  // not a number or letter
    EXPECT_EQ(inputs.computer1, "31");
    EXPECT_EQ(inputs.computer2, "12");
    EXPECT_EQ(inputs.quillan, "5Z");
    EXPECT_EQ(inputs.video, "21");
    EXPECT_EQ(inputs.svideo, "6A");
    EXPECT_EQ(inputs.computer, "11");

    EXPECT_EQ(PjlinkInputCommand("31"), "%1INPT 31\r");
    EXPECT_EQ(PjlinkInputCommand("5Z"), "%2INPT 5Z\r");
    EXPECT_EQ(PjlinkInputCommand("61"), "%2INPT 61\r");
}

TEST(PjlinkWire, LinesAndPasswords)
{
    EXPECT_FALSE(ParseGreeting("PJLINK ERRA"));
    EXPECT_FALSE(ParseGreeting("PJLINK 2"));
    EXPECT_EQ(ParseGreeting("PJLINK 1 498e4a67")->random, "498e4a67");
    EXPECT_TRUE(IsAuthenticationRefusal("pjlink erra"));
    EXPECT_FALSE(ParseReplyLine("%1POWR 0"));  // a command, not a reply
    EXPECT_EQ(ParseReplyLine("%2frez=1")->body, "FREZ");
    EXPECT_EQ(ParseReplyLine("%1NAME=")->parameter, "");

    EXPECT_TRUE(IsValidPjlinkPassword(std::string(32, 'a')));
    EXPECT_FALSE(IsValidPjlinkPassword(std::string(33, 'a')));
    EXPECT_FALSE(IsValidPjlinkPassword("pass word"));
    EXPECT_TRUE(IsValidPjlinkPassword(""));
}
