// Link error prompts: which status codes raise which text, and that a second
// error while one is on screen is dropped.
#include <gtest/gtest.h>

#include "LinkMessages.h"
#include "PrivateMessages.h"
#include "ProgramHarness.h"

namespace {

class PromptsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearProgramRegistry();
        m_program = std::make_unique<RunningProgram>(m_folder.Executable());
        m_console = m_program->WaitForConsole();
        ASSERT_NE(m_console, nullptr);
    }
    void TearDown() override
    {
        if (m_console != nullptr) {
            PostMessageA(m_console, WM_CLOSE, 0, 0);
            m_program->WaitForExit();
        }
        ClearProgramRegistry();
    }

    // Raises `code`, then a marker code that always prompts: the first prompt
    // on screen tells what `code` did. A marker that arrives while the first
    // prompt is up is dropped.
    std::string FirstPromptAfter(int code)
    {
        PostMessageA(m_console, WM_LINK_ERROR, static_cast<WPARAM>(code), 0);
        PostMessageA(m_console, WM_LINK_ERROR, 0x41, 0);
        const Prompt prompt = m_program->WaitForPrompt();
        EXPECT_EQ(prompt.caption, "Beamdesk V1.00");
        // Both link error prompts: OK and the stop icon.
        EXPECT_EQ(prompt.buttons, std::vector<int>{IDOK}) << code;
        EXPECT_TRUE(ShowsIcon(prompt, PromptIcon::Stop)) << code;
        PostMessageA(prompt.hwnd, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(m_program->WaitForNoPrompt());
        // Nothing else may follow: the barrier's notice is the only prompt.
        EXPECT_EQ(m_program->Barrier().size(), 1u) << code;
        return prompt.text;
    }

    ProgramFolder m_folder;
    std::unique_ptr<RunningProgram> m_program;
    HWND m_console = nullptr;
};

}  // namespace

TEST_F(PromptsTest, StatusCodesMapToTexts)
{
    const std::string noAnswer = "Projector is not responding. ";
    const std::string wrongPassword = "The password does not match. ";
    const struct {
        int code;
        std::string first;  // the marker (0x41) shows the password text
    } cases[] = {
        {0x20, wrongPassword},  // accepted: no prompt, so the marker comes first
        {0x41, wrongPassword}, {0x43, wrongPassword}, {0x40, noAnswer},
        {0x53, noAnswer},      {-1, noAnswer},        {0x99, noAnswer},
    };
    for (const auto& c : cases) EXPECT_EQ(FirstPromptAfter(c.code), c.first) << c.code;
}

TEST_F(PromptsTest, SecondErrorWhileOneIsShownIsDropped)
{
    PostMessageA(m_console, WM_LINK_ERROR, 0x40, 0);
    PostMessageA(m_console, WM_LINK_ERROR, 0x40, 0);
    // When the barrier's notice shows, the second error has been handled: the
    // first error's prompt and the notice are all there is.
    const std::vector<Prompt> seen = m_program->Barrier();
    ASSERT_EQ(seen.size(), 2u);
    const Prompt& error = seen[0].text == "Projector is not responding. " ? seen[0] : seen[1];
    const Prompt& notice = &error == &seen[0] ? seen[1] : seen[0];
    EXPECT_EQ(error.text, "Projector is not responding. ");
    EXPECT_EQ(error.owner, m_console);
    // A prompt raised over a prompt is owned by the one on screen.
    EXPECT_EQ(notice.owner, error.hwnd);

    PostMessageA(error.hwnd, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(m_program->WaitForNoPrompt());
    EXPECT_EQ(m_program->Barrier().size(), 1u);
}
