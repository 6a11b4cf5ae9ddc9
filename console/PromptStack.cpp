#include "PromptStack.h"

namespace {

// The stack whose hook is in place on this thread (one console per thread).
thread_local PromptStack* t_hooked = nullptr;

}  // namespace

int PromptStack::Show(HWND owner, const char* text, const char* caption, UINT type)
{
    if (++m_depth == 1 && !m_hook) {
        t_hooked = this;
        m_hook.reset(SetWindowsHookExA(WH_CBT, &PromptStack::HookProc, nullptr, GetCurrentThreadId()));
    }
    const int result = MessageBoxA(m_onScreen != nullptr ? m_onScreen : owner, text, caption, type);
    if (--m_depth == 0) {
        m_hook.reset();
        t_hooked = nullptr;
        m_onScreen = nullptr;
    }
    return result;
}

LRESULT CALLBACK PromptStack::HookProc(int code, WPARAM wParam, LPARAM lParam)
{
    PromptStack* self = t_hooked;
    if (self == nullptr) return 0;
    if (code != HCBT_ACTIVATE) return CallNextHookEx(self->m_hook.get(), code, wParam, lParam);
    // Another program's window taking the foreground comes as no window here.
    const auto activated = reinterpret_cast<HWND>(wParam);
    if (activated != nullptr && activated != self->m_mainWindow) self->m_onScreen = activated;
    return 0;
}
