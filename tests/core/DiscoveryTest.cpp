// The projector search's Windows-free rules: the ranges a user types, the
// ranges searched without one (from made-up interface lists; nothing here
// touches a network), where a range's search datagram goes, what each
// probe's answers mean, and how the answers of one address are merged.
#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "DiscoveryProbes.h"
#include "DiscoveryRanges.h"
#include "DiscoveryResults.h"
#include "DottedAddress.h"
#include "SessionRecords.h"

using namespace std::string_literals;

namespace {

std::uint32_t A(const char* dotted)
{
    const auto address = ParseAddressText(dotted);
    EXPECT_TRUE(address.has_value()) << dotted;
    return address.value_or(0);
}

AddressRange R(const char* first, const char* last)
{
    return {A(first), A(last)};
}

LocalInterface Up(const char* address, int prefix)
{
    return {"eth", A(address), prefix, true, false};
}

// A probe reply of the port-3629 handshake with this status.
std::string NativeReply(char status)
{
    return "QRM/TX.net\x10\x02\0\0"s + status + '\0';
}

}  // namespace

TEST(DiscoveryRanges, RangesAsTyped)
{
    struct Case {
        const char* text;
        std::optional<AddressRange> range;  // none: refused
        const char* problem = "";          // a part of the message
    };
    const Case cases[] = {
        {"192.168.1.0/24", R("192.168.1.1", "192.168.1.254")},  // the hosts, not the block's own two addresses
        {"192.168.1.77/24", R("192.168.1.1", "192.168.1.254")}, // the block around the address
        {"10.0.0.0/22", R("10.0.0.1", "10.0.3.254")},
        {"10.0.0.0/30", R("10.0.0.1", "10.0.0.2")},
        {"10.0.0.4/31", R("10.0.0.4", "10.0.0.5")},  // both: a /31 has no broadcast address
        {"10.0.0.5/32", R("10.0.0.5", "10.0.0.5")},
        {"10.0.0.20-10.0.0.69", R("10.0.0.20", "10.0.0.69")},
        {"10.0.0.7-10.0.0.7", R("10.0.0.7", "10.0.0.7")},
        {"10.0.0.0-10.0.3.255", R("10.0.0.0", "10.0.3.255")},  // 1024 addresses
        {"010.000.000.009/32", R("10.0.0.9", "10.0.0.9")},      // leading zeros are decimal
        {"223.255.255.0/24", R("223.255.255.1", "223.255.255.254")},
        {"10.0.0.0-10.0.4.0", std::nullopt, "holds 1025 addresses; a range holds at most 1024"},
        {"10.0.0.9-10.0.0.8", std::nullopt, "the first address comes after the last"},
        {"10.0.0.0/21", std::nullopt, "the prefix must be from 22 to 32"},
        {"10.0.0.0/33", std::nullopt, "the prefix must be from 22 to 32"},
        {"10.0.0.0/024", std::nullopt, "is not a range"},
        {"10.0.0.0/", std::nullopt, "is not a range"},
        {"/24", std::nullopt, "is not a range"},
        {"10.0.0/24", std::nullopt, "is not a range"},
        {"10.0.0.256/24", std::nullopt, "is not a range"},
        {"10.0.0.1", std::nullopt, "is not a range"},  // one address is A.B.C.D/32
        {"10.0.0.1-10.0.0.5-10.0.0.9", std::nullopt, "is not a range"},
        {"10.0.0.1-", std::nullopt, "is not a range"},
        {"", std::nullopt, "is not a range"},
        {"0.0.0.0/24", std::nullopt, "beyond the unicast addresses"},
        {"224.0.0.0/24", std::nullopt, "beyond the unicast addresses"},
        {"223.255.255.250-224.0.0.5", std::nullopt, "beyond the unicast addresses"},
        {"255.255.255.255/32", std::nullopt, "beyond the unicast addresses"},
    };
    for (const Case& c : cases) {
        const auto parsed = ParseRange(c.text);
        if (c.range) {
            ASSERT_TRUE(std::holds_alternative<AddressRange>(parsed)) << c.text << ": " << std::get<std::string>(parsed);
            EXPECT_EQ(std::get<AddressRange>(parsed), *c.range) << c.text;
            // Its shortest text means the same range.
            const auto again = ParseRange(RangeText(*c.range));
            ASSERT_TRUE(std::holds_alternative<AddressRange>(again)) << RangeText(*c.range);
            EXPECT_EQ(std::get<AddressRange>(again), *c.range) << RangeText(*c.range);
        } else {
            ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << c.text;
            EXPECT_NE(std::get<std::string>(parsed).find(c.problem), std::string::npos)
                << c.text << ": " << std::get<std::string>(parsed);
        }
    }
}

TEST(DiscoveryRanges, SeveralRangesAndTheirText)
{
    const auto parsed = ParseRanges(" 192.168.1.0/24,10.0.0.20-10.0.0.69\t10.0.0.5/32 ");
    ASSERT_TRUE(std::holds_alternative<std::vector<AddressRange>>(parsed));
    const auto& ranges = std::get<std::vector<AddressRange>>(parsed);
    ASSERT_EQ(ranges.size(), 3u);
    EXPECT_EQ(RangesText(ranges), "192.168.1.0/24 10.0.0.20-10.0.0.69 10.0.0.5/32");
    EXPECT_EQ(RangeText(R("10.0.0.1", "10.0.0.2")), "10.0.0.0/30");
    EXPECT_EQ(RangeText(R("10.0.0.0", "10.0.0.255")), "10.0.0.0-10.0.0.255");  // the whole block: no prefix says it

    for (const char* text : {"", "  , ", "10.0.0.0/24 10.0.0.1"}) {
        const auto refused = ParseRanges(text);
        ASSERT_TRUE(std::holds_alternative<std::string>(refused)) << text;
    }
    EXPECT_NE(std::get<std::string>(ParseRanges("10.0.0.0/24 bad 10.0.0.0/8")).find("'bad'"), std::string::npos);
}

// Without a range: each working interface's subnet, cut to the /24 around its
// address, never the loopback.
TEST(DiscoveryRanges, DefaultRangesFromTheInterfaces)
{
    const LocalInterface down{"eth1", A("192.168.5.3"), 24, false, false};
    const LocalInterface loopback{"lo", A("127.0.0.1"), 8, true, true};
    const LocalInterface loopbackAddress{"dummy", A("127.0.66.1"), 24, true, false};
    struct Case {
        const char* why;
        std::vector<LocalInterface> interfaces;
        std::vector<AddressRange> ranges;
    };
    const Case cases[] = {
        {"a /24", {Up("192.168.1.37", 24)}, {R("192.168.1.1", "192.168.1.254")}},
        {"a /16 is cut to the /24 around the address", {Up("10.1.2.3", 16)}, {R("10.1.2.1", "10.1.2.254")}},
        {"a /8 too", {Up("10.200.7.9", 8)}, {R("10.200.7.1", "10.200.7.254")}},
        {"a smaller subnet stays as it is", {Up("10.1.2.70", 26)}, {R("10.1.2.65", "10.1.2.126")}},
        {"a /32 is the address alone", {Up("10.9.9.9", 32)}, {R("10.9.9.9", "10.9.9.9")}},
        {"neither a down interface nor the loopback", {down, loopback, loopbackAddress}, {}},
        {"two addresses in one /24: one range; order kept",
         {Up("172.16.4.9", 24), Up("10.0.0.2", 22), Up("172.16.4.200", 23)},
         {R("172.16.4.1", "172.16.4.254"), R("10.0.0.1", "10.0.0.254")}},
        {"no unicast range from a nonsense entry", {Up("0.0.0.0", 0), Up("224.0.0.251", 24), Up("10.0.0.1", 40)}, {}},
        {"none at all", {}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(DefaultRanges(c.interfaces), c.ranges) << c.why;
}

// The search goes where the whole range hears a broadcast: the broadcast
// address of an interface's subnet that holds it, else of the smallest block.
TEST(DiscoveryRanges, WhereTheSearchGoes)
{
    const LocalInterface loopback{"lo", A("127.0.0.1"), 8, true, true};
    struct Case {
        const char* why;
        AddressRange range;
        std::vector<LocalInterface> interfaces;
        const char* search;
    };
    const Case cases[] = {
        {"the interface's /24", R("192.168.1.1", "192.168.1.254"), {Up("192.168.1.5", 24)}, "192.168.1.255"},
        {"a /24 cut from a /16 reaches its hosts by the /16's broadcast", R("10.1.2.1", "10.1.2.254"),
         {Up("10.1.2.3", 16)}, "10.1.255.255"},
        {"the smallest subnet of two that hold it", R("10.1.2.20", "10.1.2.69"),
         {Up("10.1.7.1", 16), Up("10.1.2.3", 24), Up("10.9.0.1", 24)}, "10.1.2.255"},
        {"no interface holds it: the smallest block around it", R("10.1.2.20", "10.1.2.69"), {}, "10.1.2.127"},
        {"a range across two /24s", R("10.1.2.250", "10.1.3.5"), {Up("10.1.2.3", 24)}, "10.1.3.255"},
        {"one address: the search goes to it", R("10.1.2.9", "10.1.2.9"), {}, "10.1.2.9"},
        {"a /31 or /32 subnet has no broadcast to use", R("10.1.2.9", "10.1.2.9"), {Up("10.1.2.9", 31)}, "10.1.2.9"},
        {"nor a subnet wider than /8", R("10.1.2.1", "10.1.2.254"), {Up("10.1.2.3", 4)}, "10.1.2.255"},
        {"a loopback range: the loopback network's broadcast", R("127.0.90.1", "127.0.90.254"), {loopback},
         "127.255.255.255"},
        {"a loopback range, no loopback interface listed", R("127.0.90.20", "127.0.90.69"), {}, "127.0.90.127"},
    };
    for (const Case& c : cases) EXPECT_EQ(AddressText(SearchAddress(c.range, c.interfaces)), c.search) << c.why;

    const std::vector<AddressRange> ranges{R("10.1.2.1", "10.1.2.254"), R("10.1.3.1", "10.1.3.254"),
                                           R("10.9.0.1", "10.9.0.254")};
    const std::vector<std::uint32_t> once{A("10.1.255.255"), A("10.9.0.255")};
    EXPECT_EQ(SearchAddresses(ranges, {Up("10.1.2.3", 16)}), once) << "each search address once";
}

TEST(DiscoveryRanges, EveryAddressOnceInOrder)
{
    const std::vector<std::uint32_t> swept =
        SweptAddresses({R("10.0.0.8", "10.0.0.10"), R("10.0.0.2", "10.0.0.3"), R("10.0.0.9", "10.0.0.12")});
    const std::vector<std::uint32_t> expected{A("10.0.0.2"), A("10.0.0.3"), A("10.0.0.8"), A("10.0.0.9"),
                                              A("10.0.0.10"), A("10.0.0.11"), A("10.0.0.12")};
    EXPECT_EQ(swept, expected);
    EXPECT_EQ(AddressText(A("1.20.255.0")), "1.20.255.0");
}

// Port 3629: the console's probe goes out, and its reply alone decides.
TEST(DiscoveryProbes, NativeProbeReplies)
{
    const ProbeRequest probe = BuildProbeRequest();
    EXPECT_EQ(ProbeConversation(DiscoveryProtocol::Native).Opening(),
              std::string(reinterpret_cast<const char*>(probe.data()), probe.size()));

    struct Case {
        const char* why;
        std::vector<std::string> chunks;
        std::optional<bool> passwordRequired;  // none: not a projector
        bool done = true;
    };
    const Case cases[] = {
        {"no password", {NativeReply(0x20)}, false},
        {"a password", {NativeReply(0x41)}, true},
        {"in pieces", {"QRM/T", "X.net\x10\x02"s, "\0\0A\0"s}, true},
        {"a greeting of its own first", {"HELLO\r" + NativeReply(0x20)}, false},
        {"another status", {NativeReply(0x43)}, std::nullopt},
        {"0xFF", {NativeReply('\xFF')}, std::nullopt},
        {"not the protocol: given up after a while", {std::string(300, 'x')}, std::nullopt},
        {"not a whole reply yet", {"QRM/TX.net\x10\x02\0"s}, std::nullopt, false},
    };
    for (const Case& c : cases) {
        ProbeConversation conversation(DiscoveryProtocol::Native);
        for (const std::string& chunk : c.chunks) EXPECT_EQ(conversation.Feed(chunk), "") << c.why;
        EXPECT_EQ(conversation.Done(), c.done) << c.why;
        ASSERT_EQ(conversation.Answer().has_value(), c.passwordRequired.has_value()) << c.why;
        if (c.passwordRequired) {
            EXPECT_EQ(conversation.Answer()->passwordRequired, c.passwordRequired) << c.why;
        }
    }
}

// Port 4352: the greeting, then NAME and CLSS, each asked once the answer
// before it has come.
TEST(DiscoveryProbes, PjlinkGreetingNameAndClass)
{
    struct Step {
        std::string received;
        std::string sent;  // what the conversation sends back
    };
    struct Case {
        const char* why;
        std::vector<Step> steps;
        std::optional<ProtocolAnswer> answer;
        bool done = true;
    };
    const std::string name = "%1NAME ?\r";
    const std::string cls = "%1CLSS ?\r";
    const Case cases[] = {
        {"no password",
         {{"PJLINK 0\r", name}, {"%1NAME=Room 7\r", cls}, {"%1CLSS=2\r", ""}},
         ProtocolAnswer{false, "Room 7", 2, {}}},
        {"a password: nothing is asked", {{"PJLINK 1 498e4a67\r", ""}}, ProtocolAnswer{true, {}, {}, {}}},
        {"in pieces, lower-case bodies, a class said at length",
         {{"PJLI", ""}, {"NK 0\r%1na", name}, {"me=\r", cls}, {"%1clss=Class 1\r", ""}},
         ProtocolAnswer{false, "", 1, {}}},
        {"errors: no name known; a class question not known is class 1",
         {{"PJLINK 0\r", name}, {"%1NAME=ERR3\r", cls}, {"%1CLSS=ERR1\r", ""}},
         ProtocolAnswer{false, {}, 1, {}}},
        {"lines that answer nothing asked are passed over",
         {{"PJLINK 0\r", name}, {"%1POWR=1\r%1NAME=A\r", cls}, {"junk\r%1CLSS=2\r", ""}},
         ProtocolAnswer{false, "A", 2, {}}},
        {"too many of them: given up with what is known",
         {{"PJLINK 0\r", name}, {"x\rx\rx\rx\rx\r%1NAME=late\r", ""}},
         ProtocolAnswer{false, {}, {}, {}}},
        {"cut short after the greeting: still a projector without a password",
         {{"PJLINK 0\r", name}}, ProtocolAnswer{false, {}, {}, {}}, false},
        {"a refusal is no greeting", {{"PJLINK ERRA\r", ""}}, std::nullopt},
        {"another protocol", {{"SSH-2.0-x\r", ""}}, std::nullopt},
        {"another protocol's prompt", {{":", ""}}, std::nullopt},
    };
    for (const Case& c : cases) {
        ProbeConversation conversation(DiscoveryProtocol::Pjlink);
        EXPECT_EQ(conversation.Opening(), "") << c.why;
        for (const Step& step : c.steps) EXPECT_EQ(conversation.Feed(step.received), step.sent) << c.why;
        EXPECT_EQ(conversation.Done(), c.done) << c.why;
        EXPECT_EQ(conversation.Answer(), c.answer) << c.why;
        if (c.done) {
            EXPECT_EQ(conversation.Feed("%1CLSS=1\r"), "") << c.why << ": nothing after the end";
        }
    }
}

TEST(DiscoveryProbes, SearchReplies)
{
    struct Case {
        std::string datagram;
        std::optional<std::string> mac;
    };
    const Case cases[] = {
        {"%2ACKN=00:1A:2b:3c:4d:5e\r", "00:1a:2b:3c:4d:5e"},
        {"%2ACKN=00:1a:2b:3c:4d:5e", "00:1a:2b:3c:4d:5e"},
        {"%2ACKN=00:1a:2b:3c:4d:5e\r\n", "00:1a:2b:3c:4d:5e"},
        {"%2ackn=00:1a:2b:3c:4d:5e\r", "00:1a:2b:3c:4d:5e"},
        {"%1ACKN=00:1a:2b:3c:4d:5e\r", std::nullopt},
        {"%2ACKN=00:1a:2b:3c:4d\r", std::nullopt},
        {"%2ACKN=00:1a:2b:3c:4d:5e:6f\r", std::nullopt},
        {"%2ACKN=00-1a-2b-3c-4d-5e\r", std::nullopt},
        {"%2ACKN=00:1a:2b:3c:4d:5g\r", std::nullopt},
        {"%2ACKN=001a2b:3c:4d:5e:\r", std::nullopt},
        {"%2LKUP=00:1a:2b:3c:4d:5e\r", std::nullopt},
        {"%2SRCH\r", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseSearchReply(c.datagram), c.mac) << c.datagram;
    EXPECT_EQ(kPjlinkSearchRequest, "%2SRCH\r");
}

// The answers of one address become one record, whatever their order.
TEST(DiscoveryResults, AnswersOfOneAddressAreMerged)
{
    DiscoveryResults results;
    const ProtocolAnswer native{true, {}, {}, {}};
    EXPECT_EQ(results.AddAnswer(A("10.0.0.9"), DiscoveryProtocol::Native, native).native, native);

    // The search first: the conversation's answer keeps its MAC; the class
    // the search implies stands only while the projector has said none.
    results.AddSearchReply(A("10.0.0.5"), "02:00:00:00:00:05");
    const DiscoveredProjector& heard = results.AddAnswer(A("10.0.0.5"), DiscoveryProtocol::Pjlink, {true, {}, {}, {}});
    EXPECT_EQ(heard.pjlink, (ProtocolAnswer{true, {}, 2, "02:00:00:00:00:05"}));
    // The conversation first: its class stands.
    results.AddAnswer(A("10.0.0.7"), DiscoveryProtocol::Pjlink, {false, "Hall", 1, {}});
    EXPECT_EQ(results.AddSearchReply(A("10.0.0.7"), "02:00:00:00:00:07").pjlink,
              (ProtocolAnswer{false, "Hall", 1, "02:00:00:00:00:07"}));
    // Only the search answered: no password known.
    EXPECT_EQ(results.AddSearchReply(A("10.0.0.6"), "02:00:00:00:00:06").pjlink,
              (ProtocolAnswer{{}, {}, 2, "02:00:00:00:00:06"}));
    const auto both = results.AddAnswer(A("10.0.0.9"), DiscoveryProtocol::Pjlink, {false, "N", 2, {}});
    EXPECT_EQ(both.native, native);

    std::vector<std::string> order;
    for (const DiscoveredProjector& p : results.Sorted()) order.push_back(AddressText(p.address));
    EXPECT_EQ(order, (std::vector<std::string>{"10.0.0.5", "10.0.0.6", "10.0.0.7", "10.0.0.9"}));
}
