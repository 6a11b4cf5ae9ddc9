// What the settings dialog's Find... button searches with. The console gives
// the dialog a finder (it searches with the link's projector search), so the
// controls know nothing of how a search is made; a test may give its own.
// Windows-free.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "FoundProjectors.h"

// Told what a search finds as it goes. Calls come from the search's own
// thread, one at a time.
class FinderListener {
public:
    // Projectors found, or found before and now known better, as rows.
    virtual void Found(const std::vector<FoundProjector>& rows) = 0;
    // `done` of the `total` addresses have been tried.
    virtual void Progress(std::size_t done, std::size_t total) = 0;
    // The search has ended by itself; no call follows.
    virtual void Finished() = 0;

protected:
    ~FinderListener() = default;
};

class ProjectorFinder {
public:
    virtual ~ProjectorFinder() = default;

    // What is searched when the user gives nothing else, as the range field
    // shows it; empty when there is no network to search.
    virtual std::string DefaultRanges() = 0;
    // Whether the search takes `text` as its ranges.
    virtual bool ValidRanges(std::string_view text) = 0;
    // Searches `ranges` (valid ones), after stopping a search under way.
    virtual void Start(std::string_view ranges, FinderListener& listener) = 0;
    // Ends a search under way at once; no call reaches its listener once
    // this returns.
    virtual void Stop() = 0;
};
