// What a search found, one record per address: the answers of its TCP
// conversations on either port and of the search datagram, merged. A
// conversation's answer is taken whole; a search reply adds its MAC to the
// PJLink answer (and class 2, the only class that answers a search, when the
// projector has not said its class itself). Windows-free; one thread.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "DiscoveryProbes.h"

struct DiscoveredProjector {
    std::uint32_t address = 0;
    std::optional<ProtocolAnswer> native;
    std::optional<ProtocolAnswer> pjlink;
    bool operator==(const DiscoveredProjector&) const = default;
};

class DiscoveryResults {
public:
    // Each returns the address's record as it stands now.
    const DiscoveredProjector& AddAnswer(std::uint32_t address, DiscoveryProtocol protocol,
                                         const ProtocolAnswer& answer);
    const DiscoveredProjector& AddSearchReply(std::uint32_t address, const std::string& mac);

    // In ascending order of address.
    std::vector<DiscoveredProjector> Sorted() const;
    bool Empty() const { return m_records.empty(); }

private:
    DiscoveredProjector& Record(std::uint32_t address);

    std::map<std::uint32_t, DiscoveredProjector> m_records;
};
