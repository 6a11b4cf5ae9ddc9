#include "Handshake.h"

#include "SessionRecords.h"

std::optional<int> ProbeRefusal(int probeStatus, bool havePassword)
{
    if (probeStatus == kStatusAccepted || probeStatus == kStatusPasswordRequired) {
        const bool projectorWantsOne = probeStatus == kStatusPasswordRequired;
        if (projectorWantsOne == havePassword) return std::nullopt;
        return kStatusPasswordRefused;
    }
    return probeStatus;
}

HandshakeOutcome RunHandshake(HandshakeChannel& channel, std::string_view password)
{
    HandshakeOutcome outcome;
    if (!channel.Open(outcome.report)) return outcome;
    const ProbeRequest probe = BuildProbeRequest();
    const int probeStatus = channel.Exchange(probe.data(), probe.size());
    channel.Close();  // whatever the answer: the probe connection is done

    const bool havePassword = !password.empty() && password.front() != '\0';
    outcome.report = ProbeRefusal(probeStatus, havePassword);
    if (outcome.report) return outcome;

    if (!channel.Open(outcome.report)) return outcome;
    const OpenRequest open = BuildOpenRequest(kTypeOpen, password);
    const int openStatus = channel.Exchange(open.data(), open.size());
    if (openStatus == kStatusAccepted) {
        outcome.opened = true;
        return outcome;
    }
    outcome.report = openStatus;
    return outcome;
}
