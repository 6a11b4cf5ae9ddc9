// The soak's user at the real console: presses its buttons, opens the CC
// drop-down and picks from it, answers prompts, and lets the keep-alive timer
// tick, all as posted messages, the way a click or a timer reaches the
// console; and asks whether the console still answers at all.
#pragma once

#include <windows.h>

#include <chrono>
#include <optional>

#include "ProgramHarness.h"

class ConsoleUser {
public:
    explicit ConsoleUser(RunningProgram& program) : m_program(program) {}

    void Press(int controlId);
    void PressCaptionButton();          // the drop-down opens once the projector answers
    void TickKeepAlive();               // the console's own keep-alive timer
    void ChooseLayout(bool advanced);   // an entry of the mode button's drop-down

    // The program's popup menu on screen, if any.
    HWND OpenMenu() const;
    void ChooseMenuEntry(HWND menu, int position);  // position from 0
    void CloseMenu(HWND menu);                      // Escape

    void Answer(const Prompt& prompt, int button);  // IDOK, IDYES, IDNO

    // How long the console took to handle a message sent to it; nothing when
    // it did not within `limit`.
    std::optional<std::chrono::milliseconds> Answers(std::chrono::milliseconds limit) const;

private:
    HWND Console() const { return m_program.Console(); }
    RunningProgram& m_program;
};
