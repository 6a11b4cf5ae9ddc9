// The link's Windows-free rules: handshake records, the line cutter, the
// reply table and follow-up queue.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LineCutter.h"
#include "ReplyHandling.h"
#include "SessionRecords.h"

namespace {

std::string Bytes(const std::uint8_t* data, std::size_t n)
{
    return std::string(reinterpret_cast<const char*>(data), n);
}

std::vector<std::string> Lines(const std::string& chunk, std::size_t length)
{
    std::vector<std::string> lines;
    CutLines(chunk.data(), length, [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

}  // namespace

TEST(SessionRecords, ProbeAndOpenRequestBytes)
{
    using namespace std::string_literals;
    const std::string header = "QRM/TX.net\x10"s;
    const ProbeRequest probe = BuildProbeRequest();
    EXPECT_EQ(Bytes(probe.data(), probe.size()), header + "\x02\0\0\0\0"s);

    const struct {
        std::string password;
        std::string field;
    } cases[] = {
        {"", std::string(16, '\0')},
        {"abc", "abc"s + std::string(13, '\0')},
        {"0123456789ABCDEF", "0123456789ABCDEF"},  // fills the field, no terminator
        {"0123456789ABCDEFXY", "0123456789ABCDEF"},
    };
    for (const auto& c : cases) {
        const OpenRequest open = BuildOpenRequest(kTypeOpen, c.password);
        EXPECT_EQ(Bytes(open.data(), open.size()), header + "\x03\0\0\0\x01\x01\x01"s + c.field) << c.password;
    }
}

TEST(SessionRecords, HandshakeReplyStatus)
{
    using namespace std::string_literals;
    auto status = [](const std::string& reply) {
        return HandshakeReplyStatus(reinterpret_cast<const std::uint8_t*>(reply.data()), reply.size());
    };
    const std::string head = "QRM/TX.net\x10\x02\0\0"s;
    EXPECT_EQ(status(head + " \0"s), kStatusAccepted);
    EXPECT_EQ(status(head + "A\0"s), kStatusPasswordRequired);
    EXPECT_EQ(status(head + "\xFF\0"s), -1);  // sign-extended: reads as no reply
    EXPECT_EQ(status(head + "\x80"s), -128);
    EXPECT_EQ(status("QRM/TX.nex\x10\x02\0\0 \0"s), std::nullopt);  // wrong magic: ignored
    EXPECT_EQ(status(":"), std::nullopt);                            // a late prompt
    EXPECT_EQ(status(head), std::nullopt);                          // too short for a status
    EXPECT_EQ(HandshakeReplyStatus(nullptr, 16), std::nullopt);
}

TEST(LineCutter, Chunks)
{
    using namespace std::string_literals;
    using L = std::vector<std::string>;
    const struct {
        const char* why;
        std::string chunk;
        L lines;
    } cases[] = {
        {"reply and prompt", "PWSTATUS=01\r:", {"PWSTATUS=01", ":"}},
        {"two empty lines, no final line", "\r\r", {"", ""}},
        {"first byte NUL", "\0ABC\r"s, {}},
        {"NUL in the middle ends the scan", "AB\rCD\0EF\r"s, {"AB", "CD"}},
        {"LF is an ordinary character", "A\nB\r", {"A\nB"}},
        {"no CR at all", "partial", {"partial"}},
    };
    for (const auto& c : cases) EXPECT_EQ(Lines(c.chunk, c.chunk.size()), c.lines) << c.why;
}

TEST(LineCutter, FullBufferIsNeverReadPast)
{
    // A chunk that fills the receive buffer exactly, with no NUL to stop at:
    // under ASan a read of the byte after it would fail the test.
    std::vector<char> buffer(kReceiveBufferSize, 'x');
    buffer[100] = '\r';
    std::vector<std::size_t> lengths;
    CutLines(buffer.data(), buffer.size(), [&](std::string_view line) { lengths.push_back(line.size()); });
    EXPECT_EQ(lengths, (std::vector<std::size_t>{100, kReceiveBufferSize - 101}));
}

TEST(ReplyTable, FollowUps)
{
    const struct {
        const char* line;
        const char* followUp;  // null: none
    } cases[] = {
        {"PWSTATUS=01", "IMPWR ON\r"},   {"PWSTATUS=05", "IMPWR ON\r"}, {"PWSTATUS=03", "IMPWR OFF\r"},
        {"PWSTATUS=02", nullptr},        {"PWSTATUS=04", nullptr},      {"PWSTATUS=FF", nullptr},
        {"MUTE=ON", "MUTE OFF\r"},       {"MUTE=OFF", "MUTE ON\r"},     {"MUTE=OF", "MUTE ON\r"},
        {"FREEZE=ON", "FREEZE OFF\r"},   {"FREEZE=OFF", "FREEZE ON\r"}, {"FREEZE=OF", nullptr},
        {"ERR", nullptr},                {"mute=on", nullptr},          {"", nullptr},
        {"PWSTATUS=0", nullptr},         {"MUTE=ONX", "MUTE OFF\r"},
    };
    for (const auto& c : cases) {
        const auto followUp = FollowUpFor(c.line);
        EXPECT_EQ(followUp.value_or("<none>"), c.followUp ? c.followUp : "<none>") << c.line;
    }
}

class ReplyQueueTest : public ::testing::Test {
protected:
    ReplyDecision Line(const std::string& line) { return DecideReply(m_context, m_followUps, m_ccItems, line); }

    ReplyContext m_context{kPhaseCommand, true, false};
    std::vector<std::string> m_followUps;
    std::vector<CcItem> m_ccItems{{2000, "CCAP=00"}, {2001, "CCAP=11"}, {2002, "CCAP=12"}};
};

using Action = ReplyDecision::Action;

TEST_F(ReplyQueueTest, ToggleFollowUpGoesOutAtThePrompt)
{
    EXPECT_EQ(Line("MUTE=ON").action, Action::None);
    const ReplyDecision atPrompt = Line(":");
    EXPECT_EQ(atPrompt.action, Action::Send);
    EXPECT_EQ(atPrompt.command, "MUTE OFF\r");
    EXPECT_EQ(Line(":").action, Action::None);  // the queue is empty again
}

TEST_F(ReplyQueueTest, PowerOffIsConfirmedAndOnlyTheFirstFollowUpIsSent)
{
    Line("PWSTATUS=03");
    Line("MUTE=ON");  // two replies before one prompt queue two follow-ups
    const ReplyDecision atPrompt = Line(":");
    EXPECT_EQ(atPrompt.action, Action::ConfirmPowerOff);
    EXPECT_EQ(atPrompt.command, "IMPWR OFF\r");
    EXPECT_TRUE(m_followUps.empty());
}

TEST_F(ReplyQueueTest, RepliesOutsideCommandsAndToPlainCommands)
{
    m_context.phase = kPhaseOpen;
    EXPECT_EQ(Line("PWSTATUS=01").action, Action::Ignore);
    m_context = {kPhaseCommand, false, false};  // "SOURCE 10", "KEY 56", a follow-up...
    EXPECT_EQ(Line("PWSTATUS=01").action, Action::None);
    EXPECT_TRUE(m_followUps.empty());
}

TEST_F(ReplyQueueTest, CaptionReplyTicksTheMatchingEntry)
{
    m_context.ccQuery = true;
    for (const char* reply : {"CCAP=11", "ccap=11"}) {
        const ReplyDecision d = Line(reply);
        EXPECT_EQ(d.action, Action::ShowCcTicked) << reply;
        EXPECT_EQ(d.ccCommandId, 2001) << reply;
    }
    EXPECT_EQ(Line("ERR").action, Action::ShowCcUnticked);
    // Only a line's first 31 characters take part: a channel whose reply is
    // longer can never be ticked.
    m_ccItems = {{2000, "CCAP=" + std::string(26, 'v')}, {2001, "CCAP=" + std::string(27, 'w')}};
    EXPECT_EQ(Line("CCAP=" + std::string(26, 'v')).action, Action::ShowCcTicked);
    EXPECT_EQ(Line("CCAP=" + std::string(27, 'w')).action, Action::ShowCcUnticked);
    EXPECT_EQ(Line("CCAP=99").action, Action::ShowCcUnticked);
    EXPECT_TRUE(m_followUps.empty());
}
