// The link's Windows-free rules: handshake records and the reply table. The
// command set is covered where its commands reach the projector.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ReplyHandling.h"
#include "SessionRecords.h"

namespace {

std::string Bytes(const std::uint8_t* data, std::size_t n)
{
    return std::string(reinterpret_cast<const char*>(data), n);
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
    EXPECT_EQ(status("HELLO\r"s + head + " \0"s), kStatusAccepted);      // a greeting before the reply
    EXPECT_EQ(status("HELLO\r"s + head), std::nullopt);
    EXPECT_EQ(status("QRM/TX.nex\x10\x02\0\0 \0"s), std::nullopt);  // wrong magic: ignored
    EXPECT_EQ(status(":"), std::nullopt);                            // a late prompt
    EXPECT_EQ(status(head), std::nullopt);                          // too short for a status
    EXPECT_EQ(HandshakeReplyStatus(nullptr, 16), std::nullopt);
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
