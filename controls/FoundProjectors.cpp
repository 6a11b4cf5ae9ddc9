#include "FoundProjectors.h"

#include <algorithm>

unsigned ProtocolTextId(int protocol)
{
    return protocol == kProtocolPjlink ? 118 : 117;
}

unsigned PasswordTextId(const std::optional<bool>& required)
{
    if (!required) return 121;
    return *required ? 119 : 120;
}

std::pair<std::size_t, bool> FoundRows::Put(const FoundProjector& row)
{
    const auto key = [](const FoundProjector& r) { return std::make_pair(r.address, r.protocol); };
    const auto at = std::lower_bound(m_rows.begin(), m_rows.end(), row,
                                     [&](const FoundProjector& a, const FoundProjector& b) { return key(a) < key(b); });
    const auto index = static_cast<std::size_t>(at - m_rows.begin());
    if (at != m_rows.end() && key(*at) == key(row)) {
        *at = row;
        return {index, false};
    }
    m_rows.insert(at, row);
    return {index, true};
}
