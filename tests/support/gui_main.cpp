// Test entry for the window suites: a real GTK application on a private Xvfb display.
#include "support/GuiTestMain.h"
#include "support/SanitizerDefaults.h"

namespace {
class TestGuiApp : public wxApp {
  public:
    bool OnInit() override { return true; }
};
}  // namespace

int main(int argc, char** argv) {
    return RunGuiTests(
        argc, argv, [] { return new TestGuiApp; }, true);
}
