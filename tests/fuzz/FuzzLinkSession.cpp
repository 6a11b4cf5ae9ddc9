// Random event sequences against one session: presses of every kind, chunks
// as the projector may send them, closes, reopenings, time-outs and answers.
// A model of what the driver has seen checks the session's promises after
// every event: at most one command outstanding, nothing sent while closed, no
// command longer than the link sends, a follow-up only at a prompt of its own
// session and only from the reply table, one question at a time, and a
// time-out reported only for a command the user sent.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "Command.h"
#include "LinkSession.h"
#include "SessionRecords.h"

namespace {

void Require(bool condition)
{
    if (!condition) std::abort();
}

const Command kCommands[] = {
    {"MUTE?\r", CommandKind::Query},          {"PWSTATUS?\r", CommandKind::Query},
    {"FREEZE?\r", CommandKind::Query},        {"CCAP?\r", CommandKind::CaptionQuery},
    {"SOURCE 10\r", CommandKind::Plain},      {"KEY 57\r", CommandKind::Plain},
    {"CCAP " + std::string(300, 'x') + "\r", CommandKind::Plain},
};

// What the driver knows from the actions it was given.
struct Model {
    bool open = false;
    bool outstanding = false;
    bool outstandingIsKeepAlive = false;
    bool asking = false;
    bool askedPowerOff = false;               // a power-off question is open
    bool askedPowerOffInThisSession = false;  // ...and it was asked in the session open now
    bool queriedInThisSession = false;
    bool confirmedPowerOff = false;  // a Yes in this session may still be on its way

    static bool IsFollowUp(std::string_view text)
    {
        for (std::string_view f : {kPowerOnCommand, kMuteOnCommand, kMuteOffCommand, kFreezeOnCommand,
                                   kFreezeOffCommand})
            if (text == f) return true;
        return false;
    }

    enum class Source { Press, KeepAlive, Chunk, TimeOut, Answer, Other };

    void Check(const LinkActions& actions, Source source, bool chunkHasPrompt, CommandKind kind)
    {
        for (const LinkAction& a : actions) {
            switch (a.kind) {
            case LinkAction::Kind::Send:
                Require(open && !outstanding);
                Require(a.text.size() <= kMaxCommandLength);
                if (source == Source::Chunk) {
                    Require(chunkHasPrompt && queriedInThisSession);
                    Require(IsFollowUp(a.text) || (a.text == kPowerOffCommand && confirmedPowerOff));
                }
                if (source == Source::Answer) Require(askedPowerOffInThisSession);
                Require(source != Source::TimeOut && source != Source::Other);
                outstanding = true;
                outstandingIsKeepAlive = source == Source::KeepAlive;
                if (source == Source::Press && (kind == CommandKind::Query || kind == CommandKind::CaptionQuery))
                    queriedInThisSession = true;
                break;
            case LinkAction::Kind::StopTimer:
                Require(outstanding && source == Source::Chunk);
                outstanding = false;
                break;
            case LinkAction::Kind::Close:
                Require(open && source == Source::TimeOut);
                open = false;
                confirmedPowerOff = false;
                break;
            case LinkAction::Kind::Report:
                Require(source == Source::TimeOut && a.code == kStatusCommandTimeout && outstanding &&
                        !outstandingIsKeepAlive);
                break;
            case LinkAction::Kind::ConfirmPowerOff:
                Require(!asking && source == Source::Chunk && chunkHasPrompt && open);
                asking = true;
                askedPowerOff = true;
                askedPowerOffInThisSession = true;
                break;
            case LinkAction::Kind::Dropped:
            case LinkAction::Kind::Reconnect:
                Require(false);  // never from this protocol's session
                break;
            case LinkAction::Kind::ShowCaptionMenu:
                Require(!asking && source == Source::Chunk && open);
                asking = true;
                break;
            }
        }
        if (source == Source::TimeOut) outstanding = false;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    LinkSession session({{2000, "CCAP=00"}, {2001, "CCAP=11"}});
    Model model;
    using Source = Model::Source;
    std::size_t i = 0;
    auto next = [&]() -> std::uint8_t { return i < size ? data[i++] : 0; };

    while (i < size) {
        const std::uint8_t op = next();
        switch (op % 9) {
        case 0:
            session.Opened();
            model.open = true;
            model.outstanding = false;
            model.queriedInThisSession = false;
            model.askedPowerOffInThisSession = false;
            model.confirmedPowerOff = false;
            break;
        case 1:
            session.Closed();
            model.open = false;
            model.queriedInThisSession = false;
            model.askedPowerOffInThisSession = false;
            model.confirmedPowerOff = false;
            break;
        case 2: {
            const Command& command = kCommands[next() % std::size(kCommands)];
            model.Check(session.Submit(command), Source::Press, false, command.kind);
            break;
        }
        case 3:
            model.Check(session.KeepAliveTick(), Source::KeepAlive, false, CommandKind::KeepAlive);
            break;
        case 4: {
            // One step at a time: what is left is known only once the length byte is read.
            const std::size_t wanted = next();
            const std::size_t length = std::min<std::size_t>(wanted, size - i);
            const std::string_view chunk(reinterpret_cast<const char*>(data + i), length);
            i += length;
            model.Check(session.Received(chunk), Source::Chunk, chunk.find(':') != std::string_view::npos,
                        CommandKind::Plain);
            break;
        }
        case 5:
            model.Check(session.CommandTimedOut(), Source::TimeOut, false, CommandKind::Plain);
            break;
        case 6:
        case 7: {
            const bool yes = op % 9 == 6;
            const LinkActions actions = session.PowerOffAnswered(yes);
            if (!yes) Require(actions.empty());
            if (yes && model.askedPowerOffInThisSession) model.confirmedPowerOff = true;
            model.Check(actions, Source::Answer, false, CommandKind::Plain);
            if (model.askedPowerOff) model.asking = false;
            model.askedPowerOff = false;
            model.askedPowerOffInThisSession = false;
            break;
        }
        case 8:
            session.CaptionMenuClosed();
            if (!model.askedPowerOff) model.asking = false;
            break;
        }
        Require(session.IsOpen() == model.open);
        Require(session.IsIdle() == !model.outstanding || !model.open);
    }
    return 0;
}
