// The decisions of one projector session once its handshake has opened it:
// whether a command may go out, what a reply line means, what the projector's
// prompt sends next, what a time-out or a close does, and when the user must
// be asked. It is fed events and answers with actions, which its driver (the
// console's link, or a command-line client) carries out. No I/O, no clock, no
// Windows header; one thread.
//
// Rules it keeps, whatever the events:
//  - at most one command is outstanding, and nothing is sent while closed;
//  - a follow-up goes out only at a prompt of the session whose reply chose
//    it (the queue is emptied whenever the session opens or closes);
//  - while the user is being asked (power-off box, CC drop-down), replies
//    never open a second question.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Command.h"
#include "LineAssembler.h"
#include "ReplyHandling.h"

struct LinkAction {
    enum class Kind {
        Send,             // send `text` on the session's connection; the command time-out starts
        StopTimer,        // the outstanding command has its answer: the time-out is off
        Close,            // drop the connection; the session is closed already
        Report,           // tell the user link status `code`
        ConfirmPowerOff,  // ask "Power off?"; answer with PowerOffAnswered
        ShowCaptionMenu,  // open the CC drop-down with entry `code` ticked (0: none); then CaptionMenuClosed
        Dropped,          // the command was not sent, for reason `code` (a status, see SessionRecords.h)
        Reconnect,        // open a new connection, then submit `text` on it
    };
    Kind kind;
    std::string text;
    int code = 0;

    bool operator==(const LinkAction&) const = default;
};
using LinkActions = std::vector<LinkAction>;

class LinkSession {
public:
    explicit LinkSession(std::vector<CcItem> captionItems = {});

    // The handshake opened a session: idle, nothing queued.
    void Opened();
    // The connection is gone (peer close, stopped). Queued follow-ups go with
    // it; an unanswered command keeps its time-out, which then reports it.
    void Closed();

    // A command to send now. Dropped without a word while closed or while
    // another is outstanding, or when longer than the link sends; a query
    // drops older follow-ups even then.
    LinkActions Submit(const Command& command);
    // The keep-alive timer: ":" when open and idle, else nothing.
    LinkActions KeepAliveTick();

    // One reply line, or a received chunk cut into lines here.
    LinkActions Line(std::string_view line);
    LinkActions Received(std::string_view chunk);

    // The outstanding command's time-out ran out.
    LinkActions CommandTimedOut();

    LinkActions PowerOffAnswered(bool yes);
    void CaptionMenuClosed();

    bool IsOpen() const { return m_open; }
    bool IsIdle() const { return m_idle; }
    // The kind of the command last sent in this session, if any.
    std::optional<CommandKind> LastKind() const { return m_lastKind; }
    // Sessions opened so far; a question's answer belongs to the one it was asked in.
    std::uint64_t Generation() const { return m_generation; }

private:
    LinkActions AtPrompt();
    enum class Question { None, PowerOff, CaptionMenu };
    LinkActions Ask(Question question, LinkAction action);

    std::vector<CcItem> m_captionItems;
    bool m_open = false;
    bool m_idle = true;  // no command outstanding
    std::optional<CommandKind> m_lastKind;  // none before the session's first command
    bool m_outstandingIsKeepAlive = false;
    std::vector<std::string> m_followUps;
    // A power-off the user confirmed while a keep-alive was outstanding: it
    // goes out at the keep-alive's prompt.
    std::optional<std::string> m_afterKeepAlive;
    std::uint64_t m_generation = 0;
    Question m_question = Question::None;  // on the user's screen now
    std::uint64_t m_askedIn = 0;           // the session whose reply asked it
    LineAssembler m_lines;
};
