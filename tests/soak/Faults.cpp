#include "Faults.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

using namespace std::string_literals;
using namespace std::chrono_literals;
using Close = ProjectorSimulator::CloseMoment;
using Sim = ProjectorSimulator;

int Between(std::mt19937_64& random, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(random);
}

template <typename T>
const T& OneOf(std::mt19937_64& random, const std::vector<T>& choices)
{
    return choices[static_cast<std::size_t>(Between(random, 0, static_cast<int>(choices.size()) - 1))];
}

std::string Format(const char* format, int a, int b = 0)
{
    char text[64];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

std::string Hex(std::uint8_t byte)
{
    return Format("0x%02X", byte);
}

// Status bytes a handshake reply can carry other than "accepted".
std::uint8_t RefusalStatus(std::mt19937_64& random)
{
    const std::vector<int> known = {0x41, 0x43, 0x45, 0x53, 0x55, 0x00, 0xFF};
    int status = Between(random, 0, 1) == 0 ? OneOf(random, known) : Between(random, 0, 255);
    if (status == Sim::kAccepted) status = 0x45;
    return static_cast<std::uint8_t>(status);
}

// What a projector may put before its replies: lines of its own, a line
// longer than the console's receive buffer, NUL and 0xFF bytes, bytes without
// a line end, and answers nobody asked for, repeated.
std::string Garbage(std::mt19937_64& random)
{
    const std::vector<std::string> choices = {
        Sim::SampleGarbage(3000),
        "HELLO\r",
        "ERR\r",
        "\r\r",
        "no line end ",
        "\0leading NUL"s,
        "ab\0cd\r"s,
        std::string(1500, 'x') + "\r",
        "PWSTATUS=03\r:\rPWSTATUS=03\r:\rPWSTATUS=03\r:\r",
        "MUTE=ON\r:\r",
        "FREEZE=OFF\r",
        "CCAP=11\r:\r",
    };
    return OneOf(random, choices);
}

// What a projector may say as soon as a connection is accepted.
std::string Greeting(std::mt19937_64& random)
{
    const std::vector<std::string> choices = {
        "HELLO\r",
        ":",
        "PWSTATUS=03\r:\r",
        "\0\xFF"s,
        "QRM/TX.net\x10\x02\0\0\x45\0"s,  // a refusing handshake reply before anyone asked
    };
    return OneOf(random, choices);
}

Fault Standing(std::string kind, std::function<void(Sim&)> inject)
{
    Fault f;
    f.detail = kind;
    f.kind = std::move(kind);
    f.inject = std::move(inject);
    return f;
}

Fault AtHandshake(Fault f)
{
    f.atHandshake = true;
    return f;
}

Fault CloseAt(std::string kind, Close moment)
{
    return Standing(std::move(kind), [moment](Sim& s) { s.SetCloseAt(moment); });
}

}  // namespace

Fault PickFault(std::mt19937_64& random)
{
    switch (Between(random, 0, 17)) {
    case 0: return Standing("none", [](Sim&) {});
    case 1: return AtHandshake(Standing("silent handshake", [](Sim& s) { s.SetSilentHandshake(true); }));
    case 2: return AtHandshake(Standing("wrong magic", [](Sim& s) { s.SetWrongMagic(true); }));
    case 3: {
        const std::uint8_t status = RefusalStatus(random);
        Fault f = Standing("probe status", [status](Sim& s) { s.SetProbeStatus(status); });
        f.detail.append(" ").append(Hex(status));
        return AtHandshake(f);
    }
    case 4: {
        const std::uint8_t status = RefusalStatus(random);
        Fault f = Standing("open status", [status](Sim& s) { s.SetOpenStatus(status); });
        f.detail.append(" ").append(Hex(status));
        return AtHandshake(f);
    }
    case 5: return Standing("silent commands", [](Sim& s) { s.SetSilentCommands(true); });
    case 6: {
        const auto bytes = static_cast<std::size_t>(Between(random, 1, 12));
        const auto pause = std::chrono::milliseconds(Between(random, 20, 400));
        Fault f = Standing("split replies", [=](Sim& s) { s.SetSplitReplies(bytes, pause); });
        f.detail += Format(" after %d bytes, %d ms", static_cast<int>(bytes), static_cast<int>(pause.count()));
        f.repliesOutOfStep = true;
        return f;
    }
    case 7: {
        const auto pause = std::chrono::milliseconds(Between(random, 1, 8));
        Fault f = Standing("trickled replies", [=](Sim& s) { s.SetTrickleReplies(true, pause); });
        f.detail += Format(", %d ms a byte", static_cast<int>(pause.count()));
        f.repliesOutOfStep = true;
        return f;
    }
    case 8: {
        const std::string bytes = Garbage(random);
        Fault f = Standing("garbage before replies", [=](Sim& s) { s.SetGarbageBeforeReplies(bytes); });
        f.detail.append(" ").append(Sim::Escape(bytes.substr(0, 40))).append(bytes.size() > 40 ? "..." : "");
        f.repliesOutOfStep = true;
        return f;
    }
    case 9: return AtHandshake(CloseAt("close after probe", Close::AfterProbeReply));
    case 10: return AtHandshake(CloseAt("close after open", Close::AfterOpenReply));
    case 11: return CloseAt("close on command", Close::OnCommand);
    case 12: return CloseAt("close after a reply's lines", Close::AfterReplyValue);
    case 13: return AtHandshake(CloseAt("close on accept", Close::OnAccept));
    case 14: return AtHandshake(Standing("refuse connections", [](Sim& s) { s.SetRefuseConnections(true); }));
    case 15: return AtHandshake(Standing("hang connects", [](Sim& s) { s.SetHangConnects(true); }));
    case 16: {
        const std::string bytes = Greeting(random);
        Fault f = Standing("talk first", [=](Sim& s) { s.SetGreeting(bytes); });
        f.detail.append(" ").append(Sim::Escape(bytes));
        return AtHandshake(f);
    }
    default: {
        Fault f = Standing("drop connections at random", [](Sim&) {});
        f.dropsAtRandom = true;
        return f;
    }
    }
}

namespace {

// What a PJLink projector may put before its replies: lines of its own,
// replies nobody asked for (some taken for the answer, some errors, one
// refusing the password), a line longer than the console's receive buffer,
// NUL and 0xFF bytes. None names a class: a projector that lies about its
// class gets what it asked for.
std::string PjlinkGarbage(std::mt19937_64& random)
{
    const std::vector<std::string> choices = {
        "HELLO\r",
        "\r\r",
        "PJLINK 0\r",
        "PJLINK ERRA\r",
        "%1INPT=OK\r",
        "%1POWR=1\r",
        "%1powr=0\r",
        "%1AVMT=31\r%2FREZ=1\r",
        "%1POWR=ERR4\r",
        "%1AVMT=ERR4\r%2FREZ=ERR4\r%1INPT=ERR4\r",
        "%2SVOL=ERR2\r%1INPT=ERR3\r",
        std::string(1500, 'x') + "\r",
        Sim::SampleGarbage(3000),
        "no line end ",
    };
    return OneOf(random, choices);
}

}  // namespace

std::string RandomPjlinkPassword(std::mt19937_64& random)
{
    static const char kCharacters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string password(static_cast<std::size_t>(Between(random, 1, 32)), 'x');
    for (char& c : password) c = kCharacters[Between(random, 0, static_cast<int>(sizeof kCharacters) - 2)];
    return password;
}

Fault PickPjlinkFault(std::mt19937_64& random, const std::string& password)
{
    switch (Between(random, 0, 15)) {
    case 0: return Standing("none", [](Sim&) {});
    case 1: return AtHandshake(Standing("no greeting", [](Sim& s) { s.SetNoGreeting(true); }));
    case 2: return Standing("greeting, then silence", [](Sim& s) { s.SetSilentCommands(true); });
    case 3: return Standing("ERR3 for power", [](Sim& s) { s.SetPowerErr3(true); });
    case 4: return CloseAt("close after a reply", Close::AfterReplyValue);
    case 5: return CloseAt("close on command", Close::OnCommand);
    case 6: {
        const auto limit = std::chrono::milliseconds(Between(random, 100, 3000));
        Fault f = Standing("idle close", [=](Sim& s) { s.SetIdleLimit(limit); });
        f.detail += Format(" after %d ms", static_cast<int>(limit.count()));
        return f;
    }
    case 7: {
        const auto pause = std::chrono::milliseconds(Between(random, 1, 8));
        Fault f = Standing("trickled replies", [=](Sim& s) { s.SetTrickleReplies(true, pause); });
        f.detail += Format(", %d ms a byte", static_cast<int>(pause.count()));
        return f;
    }
    case 8: {
        const auto bytes = static_cast<std::size_t>(Between(random, 1, 12));
        const auto pause = std::chrono::milliseconds(Between(random, 20, 400));
        Fault f = Standing("split replies", [=](Sim& s) { s.SetSplitReplies(bytes, pause); });
        f.detail += Format(" after %d bytes, %d ms", static_cast<int>(bytes), static_cast<int>(pause.count()));
        return f;
    }
    case 9: return Standing("lower-case replies", [](Sim& s) { s.SetLowerCaseReplies(true); });
    case 10: {
        const std::string bytes = PjlinkGarbage(random);
        Fault f = Standing("garbage before replies", [=](Sim& s) { s.SetGarbageBeforeReplies(bytes); });
        f.detail.append(" ").append(Sim::Escape(bytes.substr(0, 40))).append(bytes.size() > 40 ? "..." : "");
        return f;
    }
    case 11: return AtHandshake(Standing("refuse connections", [](Sim& s) { s.SetRefuseConnections(true); }));
    case 12: return AtHandshake(Standing("hang connects", [](Sim& s) { s.SetHangConnects(true); }));
    case 13: return AtHandshake(CloseAt("close on accept", Close::OnAccept));
    case 14: {
        Fault f = Standing("drop connections at random", [](Sim&) {});
        f.dropsAtRandom = true;
        return f;
    }
    default: {
        std::string other = RandomPjlinkPassword(random);
        if (other == password) other.back() = other.back() == 'a' ? 'b' : 'a';
        Fault f = Standing("wrong password", [=](Sim& s) { s.SetPassword(other); });
        f.detail += " (the projector wants \"" + other + "\")";
        return AtHandshake(f);
    }
    }
}
