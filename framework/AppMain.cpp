// The program's entry point: hands control to the global application object.
#include <windows.h>

#include "CallbackGuard.h"
#include "WinApp.h"

// Exit code of a run that an exception ended.
constexpr int kEndedByException = 1;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    WinApp* app = AfxGetApp();
    if (app == nullptr) return 1;
    return GuardCallback("the entry point", kEndedByException, [app] { return app->Run(); });
}
