// Random event sequences against one PJLink session: openings against a
// projector whose greeting and class reply come from the input, presses of
// every kind, chunks as a projector may send them, closes, time-outs, idle
// closes and answers. A model of what the driver has seen checks the
// session's promises after every event: at most one command outstanding,
// nothing sent while closed, the digest only in front of a protected
// connection's first line, a class-2 command only to a class-2 projector, a
// follow-up only from the reply table and only in answer to a reply, one
// question at a time, and a time-out reported only for a command outstanding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "LineAssembler.h"
#include "PjlinkCommands.h"
#include "PjlinkSession.h"
#include "SessionRecords.h"

namespace {

void Require(bool condition)
{
    if (!condition) std::abort();
}

// The input, read one byte at a time; zeros once it is used up.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool More() const { return m_at < m_size; }
    std::uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    std::string_view Bytes(std::size_t count)
    {
        const std::size_t length = count < m_size - m_at ? count : m_size - m_at;
        const std::string_view bytes(reinterpret_cast<const char*>(m_data + m_at), length);
        m_at += length;
        return bytes;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

const Command kCommands[] = {
    {"%1POWR ?\r", CommandKind::Query}, {"%1AVMT ?\r", CommandKind::Query}, {"%2FREZ ?\r", CommandKind::Query},
    {"%1INPT 11\r", CommandKind::Plain}, {"%2INPT 6A\r", CommandKind::Plain}, {"%2SVOL 1\r", CommandKind::Plain},
    {"%1POWR 1\r", CommandKind::Plain},  {"%1" + std::string(300, 'x') + "\r", CommandKind::Plain},
};

const std::string_view kFollowUps[] = {"%1POWR 1\r", "%1AVMT 30\r", "%1AVMT 31\r", "%2FREZ 0\r", "%2FREZ 1\r"};

const char* const kGreetings[] = {"PJLINK 0", "PJLINK 1 498e4a67", "PJLINK ERRA", "HELLO", "pjlink 1 x"};
const char* const kClassReplies[] = {"%1CLSS=1", "%1CLSS=2", "%1CLSS=ERR1", "%1clss=Class 2", "PJLINK ERRA", "junk"};

// The opening's projector, scripted by the input.
class FuzzedProjector : public OpeningChannel {
public:
    explicit FuzzedProjector(Input& in) : m_in(in) {}
    std::string sent;
    bool security = false;  // its greeting asked for the digest

    bool Open(std::optional<int>& report) override
    {
        if (m_in.Byte() % 8 == 0) {
            report = kStatusConnectFailed;
            return false;
        }
        return true;
    }
    int Exchange(const std::uint8_t*, std::size_t) override { std::abort(); }
    void Close() override {}
    bool SendText(std::string_view bytes) override
    {
        sent.append(bytes);
        return true;
    }
    std::optional<std::string> ReadLine(std::chrono::milliseconds) override
    {
        const std::uint8_t pick = m_in.Byte();
        if (pick % 7 == 0) return std::nullopt;
        if (sent.empty()) {
            const std::string greeting = kGreetings[pick % std::size(kGreetings)];
            security = greeting.size() > 8 && greeting[7] == '1';
            return greeting;
        }
        return std::string(kClassReplies[pick % std::size(kClassReplies)]);
    }

private:
    Input& m_in;
};

struct Model {
    bool open = false;
    bool security = false;
    bool firstLine = true;  // nothing sent on this connection yet
    std::optional<int> projectorClass;
    bool outstanding = false;
    bool asking = false;
    // The projector's lines as the session's own assembly cuts them: a
    // reply may end in a later chunk than the one that began it.
    LineAssembler lines;

    // The lines `chunk` completes, one after the other.
    std::string LinesOf(std::string_view chunk)
    {
        std::string completed;
        lines.Feed(chunk.data(), chunk.size(), [&](std::string_view line) { completed.append(line).append("\r"); });
        return completed;
    }

    enum class Source { Press, Chunk, TimeOut, Idle, Answer, Other };

    // `completedLines`: for a chunk, the lines it completed.
    void Check(const LinkActions& actions, Source source, std::string_view completedLines, const Command* pressed)
    {
        for (const LinkAction& a : actions) {
            switch (a.kind) {
            case LinkAction::Kind::Send: {
                Require(open && !outstanding);
                std::string_view text = a.text;
                Require(text.size() <= kMaxCommandLength + 32);
                if (security && firstLine) {
                    Require(text.size() > 32);
                    text.remove_prefix(32);
                }
                if (NeedsClass2(text)) Require(projectorClass == 2);
                if (source == Source::Press) Require(pressed != nullptr && text == pressed->text);
                if (source == Source::Chunk) {
                    Require(completedLines.find('=') != std::string_view::npos);
                    bool known = false;
                    for (std::string_view f : kFollowUps) known = known || text == f;
                    Require(known);
                }
                if (source == Source::Answer) Require(text == PjlinkPowerCommand(false));
                Require(source == Source::Press || source == Source::Chunk || source == Source::Answer);
                firstLine = false;
                outstanding = true;
                break;
            }
            case LinkAction::Kind::StopTimer:
                Require(outstanding && source == Source::Chunk);
                outstanding = false;
                break;
            case LinkAction::Kind::Close:
                Require(open && (source == Source::TimeOut || source == Source::Idle || source == Source::Chunk));
                open = false;
                lines.Reset();
                break;
            case LinkAction::Kind::Report:
                if (source == Source::TimeOut) {
                    Require(a.code == kStatusCommandTimeout && outstanding);
                } else {
                    Require(source == Source::Chunk);
                    Require(a.code == kStatusPasswordRefused || a.code == kStatusProjectorFailure);
                }
                break;
            case LinkAction::Kind::ConfirmPowerOff:
                Require(!asking && source == Source::Chunk && open && a.text == PjlinkPowerCommand(false));
                asking = true;
                break;
            case LinkAction::Kind::Dropped:
                Require(source == Source::Press && pressed != nullptr && NeedsClass2(pressed->text) &&
                        projectorClass != 2 && a.code == kStatusNeedsClass2);
                break;
            case LinkAction::Kind::Reconnect:
                Require(source == Source::Answer && !open && a.text == PjlinkPowerCommand(false));
                break;
            case LinkAction::Kind::ShowCaptionMenu:
                Require(false);  // PJLink has no captions
                break;
            }
        }
        if (source == Source::TimeOut) outstanding = false;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    SessionSettings settings;
    settings.protocol = ProtocolId::Pjlink;
    settings.address = "127.0.0.1";
    settings.password = size % 2 == 0 ? "JBMIAProjectorLink" : "";
    PjlinkSession session(settings);
    Model model;
    using Source = Model::Source;
    Input in(data, size);

    while (in.More()) {
        const std::uint8_t op = in.Byte();
        switch (op % 9) {
        case 0: {
            FuzzedProjector projector(in);
            const HandshakeOutcome outcome = session.Open(projector);
            model.open = outcome.opened;
            model.lines.Reset();
            model.outstanding = false;
            model.asking = false;
            model.firstLine = projector.sent.empty();
            model.projectorClass = session.ProjectorClass();
            model.security = projector.security;
            // The opening's one line: the class question, behind the digest when asked for one.
            if (!projector.sent.empty()) {
                std::string_view line = projector.sent;
                Require(projector.security && !settings.password.empty() ? line.size() == 32 + kPjlinkClassQuery.size()
                                                                         : line == kPjlinkClassQuery);
                line.remove_prefix(line.size() - kPjlinkClassQuery.size());
                Require(line == kPjlinkClassQuery);
            }
            break;
        }
        case 1:
            session.Closed();
            model.open = false;
            model.lines.Reset();
            break;
        case 2: {
            const Command& command = kCommands[in.Byte() % std::size(kCommands)];
            model.Check(session.Submit(command), Source::Press, {}, &command);
            break;
        }
        case 3:
            Require(session.KeepAliveTick().empty());
            break;
        case 4: {
            const std::size_t length = in.Byte();
            const std::string_view chunk = in.Bytes(length);
            const LinkActions actions = session.Received(chunk);
            model.Check(actions, Source::Chunk, model.LinesOf(chunk), nullptr);
            break;
        }
        case 5:
            model.Check(session.CommandTimedOut(), Source::TimeOut, {}, nullptr);
            break;
        case 6:
            model.Check(session.IdleTimedOut(), Source::Idle, {}, nullptr);
            break;
        case 7:
        case 8: {
            const bool yes = op % 9 == 7;
            const LinkActions actions = session.PowerOffAnswered(yes);
            if (!yes) Require(actions.empty());
            if (model.asking) model.Check(actions, Source::Answer, {}, nullptr);
            else Require(actions.empty());
            model.asking = false;
            break;
        }
        }
        Require(session.IsOpen() == model.open);
        if (model.open) Require(session.IsIdle() == !model.outstanding);
    }
    return 0;
}
