#include "DiscoveryResults.h"

DiscoveredProjector& DiscoveryResults::Record(std::uint32_t address)
{
    DiscoveredProjector& record = m_records[address];
    record.address = address;
    return record;
}

const DiscoveredProjector& DiscoveryResults::AddAnswer(std::uint32_t address, DiscoveryProtocol protocol,
                                                       const ProtocolAnswer& answer)
{
    DiscoveredProjector& record = Record(address);
    if (protocol == DiscoveryProtocol::Native) {
        record.native = answer;
        return record;
    }
    // What a search reply told stays; the conversation tells the rest.
    const std::optional<ProtocolAnswer> heard = record.pjlink;
    record.pjlink = answer;
    if (heard) {
        record.pjlink->mac = heard->mac;
        if (!record.pjlink->projectorClass) record.pjlink->projectorClass = heard->projectorClass;
    }
    return record;
}

const DiscoveredProjector& DiscoveryResults::AddSearchReply(std::uint32_t address, const std::string& mac)
{
    DiscoveredProjector& record = Record(address);
    if (!record.pjlink) record.pjlink = ProtocolAnswer{};
    record.pjlink->mac = mac;
    if (!record.pjlink->projectorClass) record.pjlink->projectorClass = 2;
    return record;
}

std::vector<DiscoveredProjector> DiscoveryResults::Sorted() const
{
    std::vector<DiscoveredProjector> sorted;
    sorted.reserve(m_records.size());
    for (const auto& [address, record] : m_records) sorted.push_back(record);
    return sorted;
}
