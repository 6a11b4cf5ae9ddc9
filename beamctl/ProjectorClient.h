// beamctl's synchronous session driver: a projector session (either
// protocol's, through the session interface only) carried out one command at
// a time on a blocking Transport. The session's opening runs over a
// TransportChannel; a command is done when the session says its answer is
// complete (the prompt, or the reply line, of the command and of any follow-up
// the session chose); nothing counts as done before that. Windows-free; one
// thread.
#pragma once

#include <string>
#include <vector>

#include "Command.h"
#include "ExitStatus.h"
#include "LineAssembler.h"
#include "ProjectorSession.h"
#include "Target.h"
#include "Transport.h"

struct ClientResult {
    ExitStatus status = ExitStatus::Done;
    std::string problem;  // one line naming what failed; empty when done
};

struct ProbeAnswer {
    bool reachable = false;
    bool refused = false;  // it answered the probe, with a status that opens no session
    bool passwordRequired = false;
};

class ProjectorClient {
public:
    // `session` is set up for the target (its protocol, address, password and
    // time-out) and outlives the client.
    ProjectorClient(Transport& transport, Target target, ProjectorSession& session);

    // The session's whole opening (port 3629: probe, close, pause, open request;
    // PJLink: greeting, and the class question with the digest).
    ClientResult Open();
    // One command up to its answer, and the follow-up the reply picks up to
    // its own. `replies` gets every reply line but the prompts. A Query whose
    // reply picks no follow-up is a failure: the toggle did not happen. Where
    // connections are short by design, a command that met the projector's
    // close of the connection before it was read goes again once.
    ClientResult Run(const Command& command, std::vector<std::string>& replies);
    // Only the port-3629 probe connection.
    ClientResult Probe(ProbeAnswer& answer);
    void Close();

private:
    // Run's one try; `crossed`: the connection closed before a byte of the
    // answer came.
    ClientResult Attempt(const Command& command, std::vector<std::string>& replies, bool& crossed);
    ClientResult Carry(const LinkActions& actions, std::string& sent);
    void DropWhatCameBefore();
    ClientResult Lost(const std::string& what);
    ClientResult Refused(const CommandAnswer& answer, const std::string& outstanding) const;

    Transport& m_transport;
    Target m_target;
    ProjectorSession& m_session;
    LineAssembler m_lines;
    std::string m_submitted;  // the command Run was given last
};

// A command's text as the messages show it: without its CR.
std::string Shown(std::string_view command);
