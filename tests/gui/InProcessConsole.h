// Runs the real console dialog inside the test process, with an application
// object the test has prepared, for what cannot be read from another process
// under Wine (menus, fonts). The check runs inside the console's own modal
// loop, then the console is closed.
#pragma once

#include <functional>

#include "BeamdeskApp.h"
#include "ConsoleDlg.h"

// An application object with the built-in texts and channel list, as after a
// start without INI files or settings key.
class TestApp : public CBeamdeskApp {
public:
    TestApp();
};

// Runs `check` once the console is up, then closes it. Returns what DoModal
// returned.
INT_PTR RunConsole(TestApp& app, const std::function<void(CConsoleDlg&)>& check);
