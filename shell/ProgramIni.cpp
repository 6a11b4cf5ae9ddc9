#include "ProgramIni.h"

ValueTable BuiltInValueTable()
{
    return {{"OFF", "00"}, {"CC1", "11"}, {"CC2", "12"}};
}

std::vector<std::string> SplitKeyList(const char* buffer, std::size_t bufferSize, std::size_t returned)
{
    std::vector<std::string> names;
    if (bufferSize == 0) return names;
    // The walk looks one byte ahead; never past the buffer.
    const std::size_t end = returned < bufferSize ? returned : bufferSize - 1;
    auto keep = [&](std::size_t from, std::size_t to) {
        if (to - from <= kMaxValueKeyLength) names.emplace_back(buffer + from, to - from);
    };

    std::size_t start = 0;
    std::size_t pos = 0;
    for (; pos < end; ++pos) {
        if (buffer[pos] != '\0') continue;
        if (buffer[pos + 1] == '\0') break;  // the list's final double NUL
        keep(start, pos);
        start = pos + 1;
    }
    if (pos > start) keep(start, pos);  // the last name, whole or cut
    return names;
}

std::string LookupValue(const ValueTable& table, const std::string& key)
{
    for (const ValuePair& pair : table)
        if (KeysEqualNoCase(pair.key, key)) return pair.value;
    return {};
}
