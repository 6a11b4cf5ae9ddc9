// A program whose application object throws while starting, for the entry
// point's exception barrier (FrameworkTest.cpp).
#include <stdexcept>

#include "WinApp.h"

namespace {

class ThrowingApp : public WinApp {
public:
    BOOL InitInstance() override { throw std::runtime_error("start-up failure"); }
};

ThrowingApp theApp;

}  // namespace
