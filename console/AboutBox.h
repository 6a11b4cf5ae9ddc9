// The About box: program name and version, the maker's notice, OK.
#pragma once

#include "Dialog.h"
#include "Gdi.h"

class CAboutBox : public Dialog {
public:
    explicit CAboutBox(HWND parent);

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    Font m_font;
};
