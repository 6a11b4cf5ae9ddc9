// The settings dialog's finder (see LinkFinder.h).
#include "LinkFinder.h"

#include <string>
#include <variant>

#include "DiscoveryNetwork.h"
#include "DiscoverySweep.h"

namespace {

// Hands the sweep's news on to the dialog's listener.
class Relay final : public SweepObserver {
public:
    explicit Relay(FinderListener& listener) : m_listener(listener) {}

    void Found(const DiscoveredProjector& record) override { m_listener.Found(RowsOf(record)); }
    void Progress(std::size_t done, std::size_t total) override { m_listener.Progress(done, total); }

private:
    FinderListener& m_listener;
};

}  // namespace

std::vector<FoundProjector> RowsOf(const DiscoveredProjector& record)
{
    const std::string name = record.pjlink && record.pjlink->name ? *record.pjlink->name : std::string();
    std::vector<FoundProjector> rows;
    if (record.native) rows.push_back({record.address, kProtocolNative, name, record.native->passwordRequired});
    if (record.pjlink) rows.push_back({record.address, kProtocolPjlink, name, record.pjlink->passwordRequired});
    return rows;
}

LinkFinder::LinkFinder(InterfaceList interfaces) : m_interfaces(std::move(interfaces)) {}

LinkFinder::LinkFinder() : LinkFinder(ListInterfaces) {}

LinkFinder::~LinkFinder()
{
    Stop();
}

std::string LinkFinder::DefaultRanges()
{
    return RangesText(::DefaultRanges(m_interfaces()));
}

bool LinkFinder::ValidRanges(std::string_view text)
{
    return std::holds_alternative<std::vector<AddressRange>>(ParseRanges(text));
}

void LinkFinder::Start(std::string_view text, FinderListener& listener)
{
    Stop();
    auto parsed = ParseRanges(text);
    if (!std::holds_alternative<std::vector<AddressRange>>(parsed)) return;
    SweepRequest request;
    request.ranges = std::get<std::vector<AddressRange>>(std::move(parsed));
    m_stop = false;
    m_thread = std::thread([this, request = std::move(request), &listener]() mutable {
        if (const std::unique_ptr<SweepNetwork> network = MakeSweepNetwork()) {
            request.searchAddresses = SearchAddresses(request.ranges, m_interfaces());
            Relay relay(listener);
            if (RunSweep(request, *network, &relay, &m_stop).stopped) return;
        }
        listener.Finished();
    });
}

void LinkFinder::Stop()
{
    if (!m_thread.joinable()) return;
    m_stop = true;
    m_thread.join();
}
