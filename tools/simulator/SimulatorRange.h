#pragma once

// Stand-in projectors on several loopback addresses at once
// ("127.0.0.20-127.0.0.69"): one ProjectorSimulator per address, each with its
// own state, connections and faults, made from the options the caller gives
// for its address. One SearchResponder answers the search datagram for all
// the members that answer it (PJLink class 2; each member's own is switched
// off).
//
// Start and Stop from one thread; the members are ProjectorSimulators and
// may be used as such.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ProjectorSimulator.h"
#include "SearchResponder.h"

class SimulatorRange {
public:
    using OptionsFor = std::function<ProjectorSimulator::Options(const std::string& address)>;

    // The most addresses a range may have.
    static constexpr std::size_t kMaxAddresses = 1024;

    // "A.B.C.D-A.B.C.E" (first not after last, at most kMaxAddresses) or one
    // address, all inside 127.0.0.0/8: the addresses in order. Empty for
    // anything else.
    static std::vector<std::string> Addresses(std::string_view range);

    SimulatorRange(std::vector<std::string> addresses, const OptionsFor& optionsFor);
    ~SimulatorRange();
    SimulatorRange(const SimulatorRange&) = delete;
    SimulatorRange& operator=(const SimulatorRange&) = delete;

    // Starts every member, and the search answers when they are due; false
    // (and nothing left running) when a member cannot start.
    bool Start();
    void Stop();

    std::size_t Size() const { return m_members.size(); }
    ProjectorSimulator& operator[](std::size_t i) { return *m_members[i]; }
    const std::string& AddressOf(std::size_t i) const { return m_addresses[i]; }
    // Null unless PJLink class 2 members run.
    const SearchResponder* Search() const { return m_search.get(); }

private:
    std::vector<std::string> m_addresses;
    std::vector<std::unique_ptr<ProjectorSimulator>> m_members;
    std::vector<std::string> m_searched;  // the members that answer the search
    std::unique_ptr<SearchResponder> m_search;
};
