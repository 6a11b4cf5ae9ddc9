// The settings dialog's finder: the link's projector search (the same as
// beamctl discover's) on a thread of its own, one search at a time. What it
// finds goes to the listener as the dialog's rows, one per protocol; the
// PJLink name shows on both rows of a projector that speaks both.
//
// Threads: Start, Stop and the rest on the user-interface thread; the
// listener is called on the search's thread. Stop sets the search's stop
// flag and waits for the thread, which looks at the flag every 50 ms.
#pragma once

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "DiscoveryRanges.h"
#include "DiscoveryResults.h"
#include "ProjectorFinder.h"

class LinkFinder final : public ProjectorFinder {
public:
    using InterfaceList = std::function<std::vector<LocalInterface>()>;

    // `interfaces` lists the machine's addresses: the ranges searched by
    // default and where the search datagram goes (a test gives its own).
    explicit LinkFinder(InterfaceList interfaces);
    LinkFinder();  // the machine's own interfaces
    ~LinkFinder() override;
    LinkFinder(const LinkFinder&) = delete;
    LinkFinder& operator=(const LinkFinder&) = delete;

    std::string DefaultRanges() override;
    bool ValidRanges(std::string_view text) override;
    void Start(std::string_view ranges, FinderListener& listener) override;
    void Stop() override;

private:
    InterfaceList m_interfaces;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
};

// A search's record as the dialog's rows: one per protocol that answered.
std::vector<FoundProjector> RowsOf(const DiscoveredProjector& record);
