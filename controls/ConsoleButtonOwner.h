// What a console button asks of the window that holds it. The console
// implements it; the button finds it through its parent window's bound
// object. User-interface thread only.
#pragma once

#include "AppSettings.h"

class ConsoleButtonOwner {
public:
    // The CC button was pressed: refresh the channel marks and open the menu.
    virtual void OnCcDropDown() = 0;
    // The layout shown now, which the mode drop-down marks.
    virtual int LayoutMode() const { return kModeSimple; }

protected:
    ~ConsoleButtonOwner() = default;
};
