// beamctl's synchronous session driver: the console's handshake (RunHandshake
// over a TransportChannel) and the console's session decisions (LinkSession),
// carried out one command at a time on a blocking Transport. A command is done
// when the projector's prompt has answered it and any follow-up the session
// chose; nothing counts as done before that prompt. Windows-free; one thread.
#pragma once

#include <string>
#include <vector>

#include "Command.h"
#include "ExitStatus.h"
#include "LineAssembler.h"
#include "LinkSession.h"
#include "Target.h"
#include "Transport.h"

struct ClientResult {
    ExitStatus status = ExitStatus::Done;
    std::string problem;  // one line naming what failed; empty when done
};

struct ProbeAnswer {
    bool reachable = false;
    bool passwordRequired = false;
};

class ProjectorClient {
public:
    ProjectorClient(Transport& transport, Target target);

    // The whole handshake: probe, close, pause, open request.
    ClientResult Open();
    // One command up to its prompt, and the follow-up the reply picks up to
    // its own prompt. `replies` gets every reply line but the prompts. A Query
    // whose reply picks no follow-up is a failure: the toggle did not happen.
    ClientResult Run(const Command& command, std::vector<std::string>& replies);
    // Only the probe connection.
    ClientResult Probe(ProbeAnswer& answer);
    void Close() { m_transport.Close(); }

private:
    ClientResult Carry(const LinkActions& actions, std::string& sent);
    ClientResult Lost(const std::string& what);

    Transport& m_transport;
    Target m_target;
    LinkSession m_session;
    LineAssembler m_lines;
};

// A command's text as the messages show it: without its CR.
std::string Shown(std::string_view command);
