// beamctl's exit statuses: what a script branches on. Windows-free.
#pragma once

enum class ExitStatus {
    Done = 0,            // every command was confirmed by the projector's prompt
    OutputLost = 1,      // every command was confirmed, but the output could not be written
    Usage = 2,           // bad command line or settings; nothing was sent
    NoAnswer = 3,        // no connection, no handshake reply, session refused, or no reply in time
    Password = 4,        // the password was refused, or the projector and we disagree on having one
    ProjectorError = 5,  // the projector answered ERR, or named no state where one was asked for
    SomeFailed = 6,      // several projectors: at least one of them failed
};

inline int ExitCode(ExitStatus status)
{
    return static_cast<int>(status);
}
