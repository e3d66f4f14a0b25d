// Test entry for the whole-application suite: the real application object on a private Xvfb
// display. Each test sets up its services first and then calls OnInit itself. Run one test per
// process, as CTest does: the application object, the CUPS client's choice of scheduler and the
// deployment are set up once per process.
#include "support/GuiTestMain.h"
#include "support/SanitizerDefaults.h"
#include "support/TestMirlNxApp.h"

int main(int argc, char** argv) {
    return RunGuiTests(
        argc, argv, [] { return new TestMirlNxApp; }, false);
}
