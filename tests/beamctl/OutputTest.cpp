// What beamctl's text lines make of the projector's bytes: nothing in a value
// can end a line, start a terminal's control sequence, or pass for an escape.
#include <gtest/gtest.h>

#include "Output.h"

using namespace std::string_literals;

TEST(BeamctlOutput, TextLinesEscapeControlsAndTheBackslash)
{
    struct Case {
        const char* why;
        std::string bytes;
        std::string line;
    } const cases[] = {
        {"printable ASCII", "power=01 ~", "power=01 ~"},
        {"C0 and DEL", "a\rb\nc\x1B\x7F"s, "a\\x0Db\\x0Ac\\x1B\\x7F"},
        {"NUL", "a\0b"s, "a\\x00b"},
        {"the backslash, so a \\xNN in a line is always an escape", "\\x41", "\\x5Cx41"},
        {"C1 bytes: CSI, NEL", "\x9B" "2J\x85"s, "\\x9B2J\\x85"},
        {"C1 bytes at either end of their range", "\x80\x9F", "\\x80\\x9F"},
        {"C1 characters in UTF-8", "\xC2\x9B" "2J\xC2\x80"s, "\\xC2\\x9B2J\\xC2\\x80"},
        {"UTF-8 text whose bytes fall in 0x80-0x9F", "Salle 4 \xE2\x80\x93 Nord \xE2\x82\xAC", "Salle 4 \xE2\x80\x93 Nord \xE2\x82\xAC"},
        {"UTF-8 from U+00A0 and four-byte sequences", "\xC2\xA0\xC3\xA9\xF0\x9F\x93\xBD", "\xC2\xA0\xC3\xA9\xF0\x9F\x93\xBD"},
        {"a Latin-1 byte above 0x9F stays", "caf\xE9", "caf\xE9"},
        {"a cut sequence: its continuation byte is a C1 byte", "\xE2\x80", "\xE2\\x80"},
        {"an overlong form of U+009B is no UTF-8", "\xE0\x82\x9B", "\xE0\\x82\\x9B"},
        {"a surrogate is no UTF-8", "\xED\xA0\x80", "\xED\xA0\\x80"},
    };
    for (const Case& c : cases) EXPECT_EQ(PrintableLine(c.bytes), c.line) << c.why;
}

// A message on stderr: one line whatever it quotes, and a Windows path as it
// is written.
TEST(BeamctlOutput, MessagesKeepTheBackslash)
{
    EXPECT_EQ(PrintableMessage("C:\\rooms\\list.txt:2: 'a\rb\xC2\x9B\x85'"),
              "C:\\rooms\\list.txt:2: 'a\\x0Db\\xC2\\x9B\\x85'");
}

// A JSON string is ASCII and means what the projector's bytes spell: UTF-8 as
// its characters, any other byte as Latin-1.
TEST(BeamctlOutput, JsonStringsSpellTheCharacters)
{
    struct Case {
        const char* why;
        std::string bytes;
        std::string json;
    } const cases[] = {
        {"quote, backslash and C0", "q\"\\\x01\r"s, "\"q\\\"\\\\\\u0001\\r\""},
        {"UTF-8 in two and three bytes", "Salle \xC3\xA9 \xE2\x80\x93", "\"Salle \\u00e9 \\u2013\""},
        {"four bytes: a surrogate pair", "\xF0\x9F\x93\xBD", "\"\\ud83d\\udcfd\""},
        {"a byte that is no UTF-8 reads as Latin-1", "caf\xE9", "\"caf\\u00e9\""},
        {"a cut sequence, byte by byte", "\xE2\x80", "\"\\u00e2\\u0080\""},
    };
    for (const Case& c : cases) EXPECT_EQ(JsonString(c.bytes), c.json) << c.why;
}
