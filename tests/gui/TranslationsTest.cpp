// The real program with each shipped translation beside it: the console's
// title, button captions and tooltips are the file's texts, byte for byte.
// The expected texts are read from the file's bytes here, not through the
// profile functions, so a reader that changed the bytes on their way (a code
// page conversion, trimming) fails too.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>

#include "ProgramHarness.h"
#include "resource.h"

namespace {

// The value of a [MESSAGE] key as it stands in the file: blanks around it
// trimmed, one pair of surrounding quotes dropped.
std::optional<std::string> StoredText(const std::string& file, unsigned id)
{
    const std::string key = std::to_string(id);
    std::istringstream in(file);
    std::string section;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '[') section = line.substr(1, line.find(']') - 1);
        if (section != "MESSAGE" || line.compare(0, key.size() + 1, key + "=") != 0) continue;
        std::string value = line.substr(key.size() + 1);
        const std::size_t first = value.find_first_not_of(" \t");
        const std::size_t last = value.find_last_not_of(" \t");
        value = first == std::string::npos ? "" : value.substr(first, last - first + 1);
        if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
            value = value.substr(1, value.size() - 2);
        return value;
    }
    return std::nullopt;
}

struct TextOf {
    unsigned id;
    int control;
};

constexpr TextOf kCaptions[] = {
    {1, IDC_POWER},  {2, IDC_COMPUTER1}, {3, IDC_COMPUTER2}, {4, IDC_QUILLAN},       {5, IDC_VIDEO},
    {6, IDC_SVIDEO}, {7, IDC_AVMUTE},    {8, IDC_FREEZE},    {9, IDC_CC},            {10, IDC_VOLUME_LABEL},
    {11, IDC_VOLUME_DOWN}, {12, IDC_VOLUME_UP}, {13, IDC_COMPUTER},
};

constexpr TextOf kToolTips[] = {
    {15, IDC_POWER},  {16, IDC_COMPUTER1}, {17, IDC_COMPUTER2}, {18, IDC_QUILLAN},       {19, IDC_VIDEO},
    {20, IDC_SVIDEO}, {21, IDC_AVMUTE},    {22, IDC_FREEZE},    {23, IDC_CC},            {25, IDC_VOLUME_DOWN},
    {26, IDC_VOLUME_UP}, {27, IDC_COMPUTER}, {95, IDC_MODE},
};

class TranslationsTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { ClearProgramRegistry(); }
    void TearDown() override { ClearProgramRegistry(); }

    std::string ShippedFile() const
    {
        const std::string path = ExecutableFolder() + "languages\\" + GetParam() + "\\Language.ini";
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    ProgramFolder m_folder;
};

std::string Name(const ::testing::TestParamInfo<const char*>& info) { return info.param; }

}  // namespace

INSTANTIATE_TEST_SUITE_P(Translations, TranslationsTest, ::testing::Values("de", "fr", "ja"), Name);

TEST_P(TranslationsTest, ConsoleShowsTheFilesTitleCaptionsAndTooltips)
{
    const std::string file = ShippedFile();
    ASSERT_FALSE(file.empty());
    auto text = [&](unsigned id) {
        const auto stored = StoredText(file, id);
        EXPECT_TRUE(stored.has_value()) << "id " << id << " not in the file";
        return stored.value_or("<missing>");
    };
    m_folder.WriteFile("Language.ini", file);

    RunningProgram program(m_folder.Executable());
    HWND console = program.WaitForConsole();
    ASSERT_NE(console, nullptr) << (program.HasExited() ? "the program ended without a console: another copy "
                                                          "is running in this Wine prefix"
                                                        : "no console");

    EXPECT_EQ(WindowText(console), text(35) + " [" + text(37) + "]");
    for (const TextOf& c : kCaptions) EXPECT_EQ(ControlText(console, c.control), text(c.id)) << "id " << c.id;

    HWND tooltip = FindToolTip(program);
    ASSERT_NE(tooltip, nullptr);
    for (const TextOf& t : kToolTips) {
        const auto tip = ToolTipText(program, tooltip, GetDlgItem(console, t.control));
        EXPECT_EQ(tip.value_or("<no tool>"), text(t.id)) << "id " << t.id;
    }

    PostMessageA(console, WM_CLOSE, 0, 0);
    EXPECT_NE(program.WaitForExit(), static_cast<DWORD>(STILL_ACTIVE));
}
