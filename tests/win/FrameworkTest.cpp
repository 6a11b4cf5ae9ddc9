// The framework's barrier against exceptions, under Wine: none crosses a
// window procedure, the dialog procedure or the entry point into the system's
// code. Each is written to the debugger output, and the message (or the run)
// ends with a plain result.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "Dialog.h"
#include "TestFiles.h"
#include "Window.h"
#include "resource.h"

namespace {

constexpr UINT kThrowMessage = WM_APP + 7;
constexpr UINT kThrowCommand = 40007;

// What OutputDebugString writes while this lives: it raises
// DBG_PRINTEXCEPTION_C, which a vectored handler sees before anything else.
class DebugOutput {
public:
    DebugOutput()
    {
        s_text = &m_text;
        m_handler = AddVectoredExceptionHandler(1, &Collect);
    }
    ~DebugOutput()
    {
        RemoveVectoredExceptionHandler(m_handler);
        s_text = nullptr;
    }
    DebugOutput(const DebugOutput&) = delete;
    DebugOutput& operator=(const DebugOutput&) = delete;

    const std::string& Text() const { return m_text; }

private:
    static LONG CALLBACK Collect(EXCEPTION_POINTERS* info)
    {
        const EXCEPTION_RECORD& record = *info->ExceptionRecord;
        if (record.ExceptionCode == DBG_PRINTEXCEPTION_C && record.NumberParameters >= 2 && s_text != nullptr)
            *s_text += reinterpret_cast<const char*>(record.ExceptionInformation[1]);
        return EXCEPTION_CONTINUE_SEARCH;
    }

    static inline std::string* s_text = nullptr;
    std::string m_text;
    void* m_handler = nullptr;
};

class ThrowingControl : public Window {
protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == kThrowMessage) throw std::runtime_error("control failure");
        return Window::WindowProc(msg, wParam, lParam);
    }
};

class ThrowingDialog : public Dialog {
public:
    ThrowingDialog() : Dialog(IDD_ABOUTBOX, nullptr) {}
    static inline ThrowingDialog* s_open = nullptr;

protected:
    bool OnCommand(UINT id, UINT, HWND) override
    {
        if (id == kThrowCommand) throw std::runtime_error("dialog failure");
        return false;
    }
};

// A thread timer, dispatched by the dialog's own loop: a command that throws,
// then OK.
void CALLBACK PressThrowingCommandThenOk(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    HWND dialog = ThrowingDialog::s_open->GetHwnd();
    PostMessageA(dialog, WM_COMMAND, kThrowCommand, 0);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

}  // namespace

TEST(CallbackBarrier, WindowProcedure)
{
    DebugOutput output;
    HWND hwnd = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(hwnd, nullptr);
    ThrowingControl control;
    ASSERT_TRUE(control.Attach(hwnd));
    LRESULT result = 1;
    EXPECT_NO_THROW(result = SendMessageA(hwnd, kThrowMessage, 0, 0));
    EXPECT_EQ(result, 0);
    EXPECT_NE(output.Text().find("Beamdesk: control failure escaped a window procedure"), std::string::npos)
        << output.Text();
    // The window goes on working.
    EXPECT_TRUE(SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("still here")));
    control.Detach();
    DestroyWindow(hwnd);
}

TEST(CallbackBarrier, DialogProcedure)
{
    DebugOutput output;
    ThrowingDialog dialog;
    ThrowingDialog::s_open = &dialog;
    const UINT_PTR timer = SetTimer(nullptr, 0, 1, &PressThrowingCommandThenOk);
    INT_PTR result = 0;
    EXPECT_NO_THROW(result = dialog.DoModal());
    KillTimer(nullptr, timer);
    ThrowingDialog::s_open = nullptr;
    EXPECT_EQ(result, IDOK) << "the dialog went on to its OK";
    EXPECT_NE(output.Text().find("Beamdesk: dialog failure escaped a dialog procedure"), std::string::npos)
        << output.Text();
}

// A program whose application object throws while starting ends with exit
// code 1 rather than being torn down by the runtime.
TEST(CallbackBarrier, EntryPoint)
{
    std::string commandLine = std::string("\"").append(ExecutableFolder()).append("throwing_program.exe\"");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process));
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(code, 1u);
}
