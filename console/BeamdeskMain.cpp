// The program: its one application object, constructed before the entry
// point runs, and the console it runs.
#include "BeamdeskApp.h"
#include "ConsoleDlg.h"

namespace {

class Beamdesk : public CBeamdeskApp {
public:
    void RunConsole() override
    {
        CConsoleDlg console(nullptr);
        m_pMainWnd = &console;
        console.DoModal();
        m_pMainWnd = nullptr;
    }
};

Beamdesk theApp;

}  // namespace
