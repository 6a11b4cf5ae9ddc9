// The session's decisions driven through whole conversations: presses, chunks
// as TCP may cut them, prompts, closes, time-outs and the user's answers, each
// step with the actions it must produce. Also the handshake's order and
// decisions against a scripted channel, and the line assembler.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DescribeActions.h"
#include "Handshake.h"
#include "LinkSession.h"
#include "SessionRecords.h"

namespace {

using namespace std::string_literals;

struct Step {
    enum Event { Open, Close, Press, KeepAlive, Chunk, TimeOut, Yes, No, MenuClosed } event;
    std::string text;  // Press: the command; Chunk: the bytes
    CommandKind kind = CommandKind::Plain;
    std::string expect;  // Describe() of the actions
};

Step Query(std::string text, std::string expect) { return {Step::Press, std::move(text), CommandKind::Query, std::move(expect)}; }
Step Plain(std::string text, std::string expect) { return {Step::Press, std::move(text), CommandKind::Plain, std::move(expect)}; }
Step Caption(std::string expect) { return {Step::Press, "CCAP?\r", CommandKind::CaptionQuery, std::move(expect)}; }
Step Bytes(std::string chunk, std::string expect) { return {Step::Chunk, std::move(chunk), CommandKind::Plain, std::move(expect)}; }
Step Do(Step::Event event, std::string expect = "") { return {event, "", CommandKind::Plain, std::move(expect)}; }

LinkActions Apply(LinkSession& s, const Step& step)
{
    switch (step.event) {
    case Step::Open: s.Opened(); return {};
    case Step::Close: s.Closed(); return {};
    case Step::Press: return s.Submit({step.text, step.kind});
    case Step::KeepAlive: return s.KeepAliveTick();
    case Step::Chunk: return s.Received(step.text);
    case Step::TimeOut: return s.CommandTimedOut();
    case Step::Yes: return s.PowerOffAnswered(true);
    case Step::No: return s.PowerOffAnswered(false);
    case Step::MenuClosed: s.CaptionMenuClosed(); return {};
    }
    return {};
}

struct Conversation {
    const char* why;
    std::vector<Step> steps;
};

const std::vector<CcItem> kChannels{{2000, "CCAP=00"}, {2001, "CCAP=11"}, {2002, "CCAP=12"}};

void Converse(const Conversation& c)
{
    LinkSession session(kChannels);
    for (std::size_t i = 0; i < c.steps.size(); ++i)
        EXPECT_EQ(Describe(Apply(session, c.steps[i])), c.steps[i].expect) << c.why << ", step " << i + 1;
}

}  // namespace

TEST(LinkSession, Conversations)
{
    using S = Step;
    const Conversation cases[] = {
        {"a toggle sends the opposite at the prompt, once",
         {Do(S::Open), Query("MUTE?\r", "send MUTE?\r"), Bytes("MUTE=ON\r:", "stop | send MUTE OFF\r"),
          Bytes(":", "stop"), Bytes(":", "")}},
        {"power off is asked first; No sends nothing, Yes sends it",
         {Do(S::Open), Query("PWSTATUS?\r", "send PWSTATUS?\r"), Bytes("PWSTATUS=03\r:", "stop | confirm IMPWR OFF\r"),
          Do(S::No), Query("PWSTATUS?\r", "send PWSTATUS?\r"), Bytes("PWSTATUS=03\r:", "stop | confirm IMPWR OFF\r"),
          Do(S::Yes, "send IMPWR OFF\r")}},
        {"a projector repeating its answer never stacks a second question",
         {Do(S::Open), Query("PWSTATUS?\r", "send PWSTATUS?\r"), Bytes("PWSTATUS=03\r:\r", "stop | confirm IMPWR OFF\r"),
          Bytes("PWSTATUS=03\r:\r", ""), Bytes("PWSTATUS=03\r:\r", ""), Do(S::Yes, "send IMPWR OFF\r")}},
        {"a keep-alive that went out while the question was open does not swallow the Yes",
         {Do(S::Open), Query("PWSTATUS?\r", "send PWSTATUS?\r"), Bytes("PWSTATUS=03\r:", "stop | confirm IMPWR OFF\r"),
          Do(S::KeepAlive, "send :\r"), Do(S::Yes, ""), Bytes(":", "stop | send IMPWR OFF\r"), Bytes(":", "stop")}},
        {"...and goes with the session when the keep-alive is never answered",
         {Do(S::Open), Query("PWSTATUS?\r", "send PWSTATUS?\r"), Bytes("PWSTATUS=03\r:", "stop | confirm IMPWR OFF\r"),
          Do(S::KeepAlive, "send :\r"), Do(S::Yes, ""), Do(S::TimeOut, "close"), Do(S::Open), Bytes(":", "")}},
        {"an answer given after the session ended is not sent to the next one",
         {Do(S::Open), Query("PWSTATUS?\r", "send PWSTATUS?\r"), Bytes("PWSTATUS=03\r:", "stop | confirm IMPWR OFF\r"),
          Do(S::Close), Do(S::Open), Do(S::Yes, "")}},
        {"two replies before one prompt: only the first follow-up goes out",
         {Do(S::Open), Query("PWSTATUS?\r", "send PWSTATUS?\r"), Bytes("PWSTATUS=01\rMUTE=ON\r", "stop"),
          Bytes(":", "send IMPWR ON\r"), Bytes(":", "stop")}},
        {"a reply split mid-line still picks the follow-up",
         {Do(S::Open), Query("MUTE?\r", "send MUTE?\r"), Bytes("MUTE=O", ""), Bytes("FF\r", "stop"),
          Bytes(":", "send MUTE ON\r")}},
        {"a reply value, then the projector hangs up: the follow-up dies with the session",
         {Do(S::Open), Query("MUTE?\r", "send MUTE?\r"), Bytes("MUTE=ON\r", "stop"), Do(S::Close), Do(S::Open),
          Plain("SOURCE 41\r", "send SOURCE 41\r"), Bytes(":", "stop")}},
        {"a prompt without a reply sends nothing",
         {Do(S::Open), Query("FREEZE?\r", "send FREEZE?\r"), Bytes(":", "stop"), Bytes(":", "")}},
        {"ERR picks nothing and leaves the link usable",
         {Do(S::Open), Query("MUTE?\r", "send MUTE?\r"), Bytes("ERR\r:", "stop"), Plain("KEY 57\r", "send KEY 57\r")}},
        {"replies to plain commands never queue anything",
         {Do(S::Open), Plain("SOURCE 10\r", "send SOURCE 10\r"), Bytes("PWSTATUS=01\r:", "stop"), Bytes(":", "")}},
        {"one command at a time; a query drops queued follow-ups even when it is dropped itself",
         {Do(S::Open), Query("MUTE?\r", "send MUTE?\r"), Plain("KEY 56\r", ""), Bytes("MUTE=ON\r", "stop"),
          Plain("KEY 57\r", "send KEY 57\r"), Query("FREEZE?\r", ""), Bytes(":", "stop")}},
        {"nothing is sent while closed, and lines before the first command mean nothing",
         {Plain("KEY 57\r", ""), Do(S::KeepAlive, ""), Do(S::Open), Bytes("MUTE=ON\r:", ""),
          Do(S::KeepAlive, "send :\r"), Do(S::KeepAlive, ""), Bytes(":", "stop")}},
        {"an unanswered command closes the link and is reported",
         {Do(S::Open), Plain("KEY 57\r", "send KEY 57\r"), Do(S::TimeOut, "close | report 83"), Do(S::TimeOut, ""),
          Plain("KEY 57\r", "")}},
        {"an unanswered keep-alive closes the link silently",
         {Do(S::Open), Do(S::KeepAlive, "send :\r"), Do(S::TimeOut, "close")}},
        {"a keep-alive whose session the projector ends stays silent at its time-out",
         {Do(S::Open), Do(S::KeepAlive, "send :\r"), Do(S::Close), Do(S::TimeOut, "")}},
        {"a press the projector never answered before hanging up is reported at its time-out",
         {Do(S::Open), Plain("KEY 57\r", "send KEY 57\r"), Do(S::Close), Do(S::TimeOut, "report 83")}},
        {"a new session forgets the old one's unanswered command",
         {Do(S::Open), Plain("KEY 57\r", "send KEY 57\r"), Do(S::Close), Do(S::Open), Do(S::TimeOut, ""),
          Plain("KEY 56\r", "send KEY 56\r")}},
        {"the CC reply ticks its entry, without regard to case",
         {Do(S::Open), Caption("send CCAP?\r"), Bytes("ccap=11\r", "stop | menu 2001"), Do(S::MenuClosed),
          Bytes(":", ""), Caption("send CCAP?\r"), Bytes("ERR\r:", "stop | menu 0")}},
        {"a CC reply while the drop-down is open opens no second one",
         {Do(S::Open), Caption("send CCAP?\r"), Bytes("CCAP=11\r", "stop | menu 2001"), Bytes("CCAP=12\r", ""),
          Do(S::MenuClosed), Bytes("CCAP=12\r", "menu 2002")}},
        {"a command longer than the link sends is dropped whole",
         {Do(S::Open), Plain("CCAP " + std::string(267, 'v') + "\r", ""),
          Plain("CCAP " + std::string(265, 'v') + "\r", "send CCAP " + std::string(265, 'v') + "\r")}},
    };
    for (const Conversation& c : cases) Converse(c);
}

// Wherever TCP cuts a toggle's reply, the same follow-up goes out.
TEST(LinkSession, RepliesSplitAtEveryByte)
{
    const struct {
        const char* query;
        const char* reply;
        const char* followUp;
    } toggles[] = {
        {"MUTE?\r", "MUTE=OFF\r:", "MUTE ON\r"},
        {"FREEZE?\r", "FREEZE=ON\r:", "FREEZE OFF\r"},
        {"PWSTATUS?\r", "PWSTATUS=01\r:", "IMPWR ON\r"},
    };
    for (const auto& t : toggles) {
        const std::string reply = t.reply;
        for (std::size_t cut = 1; cut < reply.size(); ++cut) {
            LinkSession session;
            session.Opened();
            session.Submit({t.query, CommandKind::Query});
            LinkActions actions = session.Received(reply.substr(0, cut));
            for (LinkAction& a : session.Received(reply.substr(cut))) actions.push_back(std::move(a));
            ASSERT_FALSE(actions.empty()) << t.reply << " cut at " << cut;
            EXPECT_EQ(actions.back(), (LinkAction{LinkAction::Kind::Send, t.followUp})) << t.reply << " cut at " << cut;
        }
    }
}

namespace {

// A channel that plays the projector's part from a script and writes down
// what the handshake asked of it.
class ScriptedChannel : public HandshakeChannel {
public:
    std::vector<bool> opens{true, true};  // one per connection attempt
    std::vector<int> replies;             // one per request
    std::string log;

    bool Open(std::optional<int>& report) override
    {
        const bool ok = m_opens < opens.size() && opens[m_opens];
        ++m_opens;
        log += ok ? "open " : "refused ";
        if (!ok) report = kStatusConnectFailed;
        return ok;
    }
    int Exchange(const std::uint8_t* request, std::size_t length) override
    {
        log += length == kHeaderSize && request[11] == kTypeProbe ? "probe " : length == kOpenRequestSize ? "request " : "? ";
        return m_replies < replies.size() ? replies[m_replies++] : kStatusNoReply;
    }
    void Close() override { log += "close "; }

private:
    std::size_t m_opens = 0;
    std::size_t m_replies = 0;
};

}  // namespace

// Every probe status, with and without a password; then what the open
// request's answer makes of it.
TEST(Handshake, ProbeAndOpenDecisions)
{
    const std::string full = "open probe close open request ";
    const std::string probeOnly = "open probe close ";
    const struct {
        int probe;
        const char* password;
        int open;
        std::string log;
        bool opened;
        std::optional<int> report;
    } cases[] = {
        {0x20, "", 0x20, full, true, std::nullopt},
        {0x41, "secret", 0x20, full, true, std::nullopt},
        {0x20, "secret", 0x20, probeOnly, false, 0x43},  // the projector wants none: no open request
        {0x41, "", 0x20, probeOnly, false, 0x43},
        {0x43, "", 0x20, probeOnly, false, 0x43},
        {0x43, "secret", 0x20, probeOnly, false, 0x43},
        {0x45, "", 0x20, probeOnly, false, 0x45},
        {0x53, "secret", 0x20, probeOnly, false, 0x53},
        {0x55, "", 0x20, probeOnly, false, 0x55},
        {0x00, "", 0x20, probeOnly, false, 0x00},
        {-128, "", 0x20, probeOnly, false, -128},
        {kStatusNoReply, "", 0x20, probeOnly, false, kStatusNoReply},
        {kStatusNoReply, "secret", 0x20, probeOnly, false, kStatusNoReply},
        {0x41, "secret", 0x43, full, false, 0x43},  // wrong password
        {0x41, "secret", 0x41, full, false, 0x41},
        {0x20, "", kStatusNoReply, full, false, kStatusNoReply},
        {0x20, "", 0x45, full, false, 0x45},
    };
    for (const auto& c : cases) {
        ScriptedChannel channel;
        channel.replies = {c.probe, c.open};
        const HandshakeOutcome outcome = RunHandshake(channel, c.password);
        const std::string why = "probe " + std::to_string(c.probe) + " password '" + c.password + "' open " +
                                std::to_string(c.open);
        EXPECT_EQ(channel.log, c.log) << why;
        EXPECT_EQ(outcome.opened, c.opened) << why;
        EXPECT_EQ(outcome.report, c.report) << why;
    }

    // No connection for the probe, or none for the open request.
    for (const std::vector<bool>& opens : {std::vector<bool>{false}, std::vector<bool>{true, false}}) {
        ScriptedChannel channel;
        channel.opens = opens;
        channel.replies = {0x20};
        const HandshakeOutcome outcome = RunHandshake(channel, "");
        EXPECT_FALSE(outcome.opened);
        EXPECT_EQ(outcome.report, kStatusConnectFailed);
        EXPECT_EQ(channel.log, opens.size() == 1 ? "refused " : "open probe close refused ");
    }
}

namespace {

std::vector<std::string> Assemble(const std::vector<std::string>& chunks)
{
    LineAssembler assembler;
    std::vector<std::string> lines;
    for (const std::string& chunk : chunks)
        assembler.Feed(chunk.data(), chunk.size(), [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

}  // namespace

TEST(LineAssembler, Chunks)
{
    using L = std::vector<std::string>;
    const std::string longLine(1500, 'x');
    const struct {
        const char* why;
        std::vector<std::string> chunks;
        L lines;
    } cases[] = {
        {"reply and prompt", {"PWSTATUS=01\r:"}, {"PWSTATUS=01", ":"}},
        {"two empty lines, no final line", {"\r\r"}, {"", ""}},
        {"first byte NUL: the chunk is ignored", {"\0ABC\r"s}, {}},
        {"a chunk led by a NUL ends the held line, never joined with what follows",
         {"MUTE=O", "\0F\r"s, "N\r"}, {"MUTE=O", "N"}},
        {"a NUL ends the chunk's text, the line before it still comes", {"AB\rCD\0EF\r"s}, {"AB", "CD"}},
        {"LF is an ordinary character", {"A\nB\r"}, {"A\nB"}},
        {"a line split mid-way is completed by the next chunk", {"MUTE=OF", "F\r:"}, {"MUTE=OFF", ":"}},
        {"a line split in three", {"PW", "STATUS=0", "3\r"}, {"PWSTATUS=03"}},
        {"a lone prompt at a chunk's end comes at once", {"MUTE=ON\r:"}, {"MUTE=ON", ":"}},
        {"a colon that continues a line is not a prompt", {"AB", ":"}, {}},
        {"...until its CR comes", {"AB", ":", "\r"}, {"AB:"}},
        {"an unfinished line is kept no longer than the receive buffer",
         {longLine.substr(0, 1000), longLine.substr(1000, 300), longLine.substr(1300) + "\r"},
         {longLine.substr(0, 1300), longLine.substr(1300)}},
        {"a full buffer without CR comes as it stands", {std::string(1024, 'y')}, {std::string(1024, 'y')}},
    };
    for (const auto& c : cases) EXPECT_EQ(Assemble(c.chunks), c.lines) << c.why;
}

TEST(LineAssembler, FullBufferIsNeverReadPast)
{
    // A chunk that fills the receive buffer exactly, with no NUL to stop at:
    // under ASan a read of the byte after it would fail the test.
    std::vector<char> buffer(kReceiveBufferSize, 'x');
    buffer[100] = '\r';
    LineAssembler assembler;
    std::vector<std::size_t> lengths;
    assembler.Feed(buffer.data(), buffer.size(), [&](std::string_view line) { lengths.push_back(line.size()); });
    EXPECT_EQ(lengths, (std::vector<std::size_t>{100}));
    EXPECT_EQ(assembler.PendingBytes(), kReceiveBufferSize - 101);
}
