// What one reply line says: the reply table that picks a toggle's follow-up
// command, and the CC drop-down entry a caption reply names. Windows-free.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One entry of the CC drop-down.
struct CcItem {
    int commandId;          // 2000 + index
    std::string replyText;  // "CCAP=" + the channel's value
};

// Only the first 31 characters of a line take part in the comparisons.
constexpr std::size_t kReplyCompareLength = 31;

// The follow-up the reply table picks for a query's reply line, if any.
std::optional<std::string> FollowUpFor(std::string_view line);

// The command id of the first entry whose reply text equals the line (its
// first 31 characters), without regard to case.
std::optional<int> CaptionEntryFor(const std::vector<CcItem>& items, std::string_view line);

// ASCII letters compared without regard to case, every other byte as it is.
bool EqualsNoCase(std::string_view a, std::string_view b);
