#include "SoakSummary.h"

namespace {

double Seconds(std::chrono::milliseconds d)
{
    return static_cast<double>(d.count()) / 1000.0;
}

void PrintCounts(std::FILE* out, const char* title, const std::map<std::string, int>& counts)
{
    std::fprintf(out, "  %s:", title);
    if (counts.empty()) std::fprintf(out, " none");
    for (const auto& [name, count] : counts) std::fprintf(out, "\n    %-30s %d", ("\"" + name + "\"").c_str(), count);
    std::fprintf(out, "\n");
}

}  // namespace

void SoakSummary::Print(std::FILE* out) const
{
    std::fprintf(out, "  episodes %d, user steps %d, checks %d\n", episodes, steps, checks);
    if (pjlink) {
        std::fprintf(out, "  presses %d (%zu reached the projector), follow-ups %zu, class questions %zu\n", presses,
                     pressesArrived, followUps, classQuestions);
        std::fprintf(out, "  keep-alive ticks %d (nothing goes out for them), layout switches %d, random drops %d\n",
                     ticks, layoutSwitches, drops);
        std::fprintf(out, "  \"Power off?\" answered Yes %d, No %d; power-offs sent %zu\n", yes, no, powerOffs);
        std::fprintf(out, "  digests checked %zu\n", digests);
    } else {
        std::fprintf(out, "  presses %d (%zu reached the projector), CC choices %d, CC drop-downs escaped %d\n", presses,
                     pressesArrived, captionChoices, menusEscaped);
        std::fprintf(out, "  keep-alive ticks %d (%zu keep-alives sent), layout switches %d, random drops %d\n", ticks,
                     keepAlives, layoutSwitches, drops);
        std::fprintf(out, "  \"Power off?\" answered Yes %d, No %d\n", yes, no);
    }
    std::fprintf(out, "  projector: %zu connections, %zu bytes received\n", connections, bytes);
    PrintCounts(out, "faults by kind", faults);
    PrintCounts(out, "prompts by text", prompts);
    std::fprintf(out, "  longest reopen after a fault: %.1f s%s\n", Seconds(longestReopen),
                 longestReopenFault.empty() ? "" : (" (" + longestReopenFault + ")").c_str());
    std::fprintf(out, "  longest console answer: %.2f s\n", Seconds(longestAnswer));
}
