#include "SimulatorRange.h"

#include <cstdint>
#include <cstdio>

namespace {

std::uint32_t Packed(std::string_view dotted)
{
    std::uint32_t address = 0;
    for (int part = 0; part < 4; ++part) {
        std::uint32_t value = 0;
        while (!dotted.empty() && dotted.front() != '.') {
            value = value * 10 + static_cast<std::uint32_t>(dotted.front() - '0');
            dotted.remove_prefix(1);
        }
        if (!dotted.empty()) dotted.remove_prefix(1);
        address = address << 8 | value;
    }
    return address;
}

std::string Dotted(std::uint32_t address)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address >> 24, (address >> 16) & 0xFF, (address >> 8) & 0xFF,
                  address & 0xFF);
    return text;
}

}  // namespace

std::vector<std::string> SimulatorRange::Addresses(std::string_view range)
{
    const auto dash = range.find('-');
    const std::string_view first = range.substr(0, dash);
    const std::string_view last = dash == std::string_view::npos ? first : range.substr(dash + 1);
    if (!ProjectorSimulator::IsLoopbackAddress(first) || !ProjectorSimulator::IsLoopbackAddress(last)) return {};
    const std::uint32_t from = Packed(first);
    const std::uint32_t to = Packed(last);
    if (from > to || to - from >= kMaxAddresses) return {};
    std::vector<std::string> addresses;
    for (std::uint32_t a = from; a <= to; ++a) addresses.push_back(Dotted(a));
    return addresses;
}

SimulatorRange::SimulatorRange(std::vector<std::string> addresses, const OptionsFor& optionsFor)
    : m_addresses(std::move(addresses))
{
    for (const std::string& address : m_addresses) {
        ProjectorSimulator::Options options = optionsFor(address);
        options.address = address;
        if (options.protocol == ProjectorSimulator::Protocol::Pjlink && options.pjlinkClass == 2 &&
            options.answerSearch)
            m_searched.push_back(address);
        options.answerSearch = false;
        m_members.push_back(std::make_unique<ProjectorSimulator>(std::move(options)));
    }
}

SimulatorRange::~SimulatorRange()
{
    Stop();
}

bool SimulatorRange::Start()
{
    for (const auto& member : m_members) {
        if (member->Start()) continue;
        Stop();
        return false;
    }
    if (!m_searched.empty()) {
        m_search = std::make_unique<SearchResponder>(m_searched);
        if (!m_search->Start()) m_search.reset();  // best effort, as a single simulator's
    }
    return true;
}

void SimulatorRange::Stop()
{
    m_search.reset();
    for (const auto& member : m_members) member->Stop();
}
