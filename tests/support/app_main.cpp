// Test entry for the whole-application suite: the real application object on a private Xvfb
// display. Each test sets up its services first and then calls OnInit itself. Run one test per
// process, as CTest does: the application object, the CUPS client's choice of scheduler and the
// deployment are set up once per process.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/apptrait.h>
#include <wx/evtloop.h>
#include <wx/init.h>

#include <cstring>
#include <memory>

#include "support/SanitizerDefaults.h"
#include "support/TestMirlNxApp.h"
#include "support/XvfbDisplay.h"

namespace {
bool ListingOnly(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--gtest_list_tests") == 0) return true;
    }
    return false;
}
}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (ListingOnly(argc, argv)) return RUN_ALL_TESTS();
    XvfbDisplay display;
    setenv("NO_AT_BRIDGE", "1", 0);  // no accessibility bus on a private display
    wxApp::SetInstance(new TestMirlNxApp);
    if (!wxEntryStart(argc, argv)) return 2;
    int result = 0;
    {
        // The tests pump this loop themselves; nothing calls Run on it.
        std::unique_ptr<wxEventLoopBase> loop(wxTheApp->GetTraits()->CreateEventLoop());
        wxEventLoopActivator active(loop.get());
        result = RUN_ALL_TESTS();
    }
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
