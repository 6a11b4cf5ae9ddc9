// A stream of reply lines against the reply table, the CC matching and the
// follow-up queue, with the command kind chosen by the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "LineCutter.h"
#include "ReplyHandling.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) return 0;
    const std::uint8_t flags = data[0];
    ReplyContext context{(flags & 1) ? kPhaseCommand : kPhaseOpen, (flags & 2) != 0, (flags & 4) != 0};
    std::vector<CcItem> items{{2000, "CCAP=00"}, {2001, "CCAP=11"}, {2002, "ccap=" + std::string(40, 'x')}};
    std::vector<std::string> followUps;
    const char* text = reinterpret_cast<const char*>(data + 1);
    CutLines(text, size - 1, [&](std::string_view line) {
        const ReplyDecision d = DecideReply(context, followUps, items, line);
        using Action = ReplyDecision::Action;
        if (context.phase != kPhaseCommand && d.action != Action::Ignore) std::abort();
        if (line == ":" && context.phase == kPhaseCommand && !followUps.empty()) std::abort();
        if ((d.action == Action::Send || d.action == Action::ConfirmPowerOff) && d.command.empty()) std::abort();
        if (d.action == Action::ShowCcTicked && (d.ccCommandId < 2000 || d.ccCommandId > 2002)) std::abort();
        if (followUps.size() > size) std::abort();
    });
    return 0;
}
