// The program's entry point: hands control to the global application object.
#include <windows.h>

#include "WinApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    WinApp* app = AfxGetApp();
    return app != nullptr ? app->Run() : 1;
}
