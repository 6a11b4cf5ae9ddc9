// Drives the real Beamdesk.exe from a test process, the way a user meets it:
// a private copy of the program in a scratch folder (so its INI files are its
// own), a prepared registry, the console found by its window property, controls
// pressed by posted messages, prompts found and answered, and the registry
// read back after the program ends.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "TestFiles.h"

using namespace std::chrono_literals;

// Waits for a condition, polling; never a fixed sleep. False on time-out.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 20s);

// The icon a message box shows, told by its colours on screen: the stop
// icon is red; the others (exclamation, information, question) are not.
enum class PromptIcon { None, Stop, Other };

// A visible message box of some process.
struct Prompt {
    HWND hwnd = nullptr;
    std::string text;
    std::string caption;
    HWND owner = nullptr;
    std::vector<int> buttons{};  // ids of its visible buttons (IDOK, IDYES, ...), left to right
};

// The icon a prompt shows now. Its pixels are read from the screen, so a box
// that has only just appeared may not show it yet.
PromptIcon IconShown(const Prompt& prompt);
// Waits for the prompt to show `icon`; false on time-out.
bool ShowsIcon(const Prompt& prompt, PromptIcon icon);

class ProgramFolder {
public:
    ProgramFolder();  // copies Beamdesk.exe beside nothing else
    const std::string& path() const { return m_folder.path(); }
    std::string Executable() const { return m_folder.path() + "Beamdesk.exe"; }
    void WriteFile(const std::string& name, const std::string& bytes) const { m_folder.Write(name, bytes); }

private:
    ScratchFolder m_folder;
};

class RunningProgram {
public:
    // Starts the program; does not wait for the console.
    explicit RunningProgram(const std::string& executable);
    ~RunningProgram();  // ends the process if still running
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    DWORD ProcessId() const { return m_process.dwProcessId; }
    DWORD ThreadId() const { return m_process.dwThreadId; }

    // The console, visible with its title set; null on time-out.
    HWND WaitForConsole();
    HWND Console() const { return m_console; }
    // A visible dialog of this process with this title (the About box, the
    // settings dialog); null on time-out.
    HWND WaitForDialog(const std::string& title) const;
    // Some visible top-level window of this process, for a program other
    // than Beamdesk; null on time-out.
    HWND WaitForWindow() const;
    // The window that has the keyboard focus in the program's thread.
    HWND Focus() const;

    // Visible message boxes of this process, other than the console.
    std::vector<Prompt> Prompts() const;
    // Waits for exactly one prompt; its details, or an empty Prompt on time-out.
    Prompt WaitForPrompt();
    // Waits until no prompt is on screen.
    bool WaitForNoPrompt();

    // Waits for the process to end; its exit code or STILL_ACTIVE.
    DWORD WaitForExit(std::chrono::milliseconds limit = 30s);
    bool HasExited() const;

    // A barrier for posted messages: posts WM_ALREADY_RUNNING and waits for
    // its notice, then closes it. Posted messages are handled in order, so
    // everything posted before has been handled (or has opened a prompt, which
    // then owns the notice). Returns the prompts on screen at the moment the
    // notice appeared, the notice included.
    std::vector<Prompt> Barrier();

private:
    PROCESS_INFORMATION m_process{};
    HWND m_console = nullptr;
};

std::string WindowText(HWND hwnd);
std::string ControlText(HWND dialog, int id);

// The tooltip text of a console control, read through the program's own
// memory (the tooltip control answers with pointers in its address space);
// nothing when the control has no tool.
std::optional<std::string> ToolTipText(const RunningProgram& program, HWND tooltip, HWND control);
HWND FindToolTip(const RunningProgram& program);

// Settings key and Run value, cleared before a test and read after it.
void ClearProgramRegistry();
// Make Wine report a given system version to Beamdesk.exe ("" removes it).
void SetReportedWindowsVersion(const std::string& version);
