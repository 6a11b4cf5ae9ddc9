// What a projector search says to one address and what the answers mean.
//
// Port 3629: the probe exactly as the console's first connection sends it;
// its reply tells whether the projector wants a password (0x20 none, 0x41
// one). The connection is then closed: no open request follows.
// Port 4352: the PJLink greeting tells the same ("PJLINK 0", "PJLINK 1 ...");
// without a password the projector is asked "%1NAME ?" and "%1CLSS ?", one
// after the other, each once its answer to the one before has come.
// UDP 4352: "%2SRCH" to a broadcast address, answered "%2ACKN=<MAC>" by each
// class-2 projector that hears it.
//
// Windows-free; one conversation per connection, fed as bytes arrive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "LineAssembler.h"

enum class DiscoveryProtocol { Native, Pjlink };

// The search datagram.
extern const std::string_view kPjlinkSearchRequest;

// What one protocol's conversation learnt of a projector.
struct ProtocolAnswer {
    std::optional<bool> passwordRequired;  // not known from a search reply alone
    std::optional<std::string> name;       // PJLink NAME, as sent (UTF-8); empty: the projector has none
    std::optional<int> projectorClass;     // PJLink class, 1 or 2
    std::optional<std::string> mac;        // from a search reply, lower case
    bool operator==(const ProtocolAnswer&) const = default;
};

// One TCP conversation with one projector on its protocol's port.
class ProbeConversation {
public:
    explicit ProbeConversation(DiscoveryProtocol protocol) : m_protocol(protocol) {}

    DiscoveryProtocol Protocol() const { return m_protocol; }
    std::uint16_t Port() const;

    // What to send once the connection is made (nothing: wait for the peer).
    std::string Opening() const;
    // Takes bytes as they arrive; returns what to send now, if anything.
    std::string Feed(std::string_view bytes);
    // Nothing more is wanted: close the connection.
    bool Done() const { return m_done; }
    // What was learnt so far: nothing when the peer has not shown itself to
    // be a projector of the protocol. Meaningful at any time, so a
    // conversation cut short by its time limit still counts what it had.
    const std::optional<ProtocolAnswer>& Answer() const { return m_answer; }

private:
    enum class Step { Greeting, Name, Class };

    std::string FeedNative(std::string_view bytes);
    std::string FeedPjlink(std::string_view bytes);
    std::string PjlinkLine(std::string_view line);

    DiscoveryProtocol m_protocol;
    bool m_done = false;
    std::optional<ProtocolAnswer> m_answer;
    std::string m_received;  // native: the reply so far
    LineAssembler m_lines;   // PJLink
    Step m_step = Step::Greeting;
    int m_strayLines = 0;    // PJLink: lines that answer nothing asked
};

// The MAC of a search reply ("%2ACKN=" and six pairs of hex digits separated
// by colons, CR optional, body without regard to case), in lower case; nothing
// for any other datagram.
std::optional<std::string> ParseSearchReply(std::string_view datagram);
