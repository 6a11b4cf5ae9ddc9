// The Find dialog's rows: one for each protocol a projector answered on, in
// order of address, the native protocol first, and the catalogue texts they
// show. No Windows header, so it builds and is tested natively too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "AppSettings.h"

struct FoundProjector {
    std::uint32_t address = 0;       // packed, first octet most significant
    int protocol = kProtocolNative;  // what choosing the row sets
    std::string name;                // the projector's PJLink name (UTF-8); empty: none known
    std::optional<bool> passwordRequired;  // none: not known
    bool operator==(const FoundProjector&) const = default;
};

// Catalogue texts of a row's columns.
unsigned ProtocolTextId(int protocol);
unsigned PasswordTextId(const std::optional<bool>& required);

class FoundRows {
public:
    // Puts a row in its place, or over the row of the same address and
    // protocol: its index, and whether it is a new row.
    std::pair<std::size_t, bool> Put(const FoundProjector& row);
    const std::vector<FoundProjector>& Rows() const { return m_rows; }
    void Clear() { m_rows.clear(); }

private:
    std::vector<FoundProjector> m_rows;
};
