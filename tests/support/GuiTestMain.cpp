#include "support/GuiTestMain.h"

#include <gtest/gtest.h>
#include <wx/apptrait.h>
#include <wx/evtloop.h>
#include <wx/init.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "support/FailedSuiteSetUp.h"
#include "support/XvfbDisplay.h"

namespace {
bool ListingOnly(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--gtest_list_tests") == 0) return true;
    }
    return false;
}
}  // namespace

int RunGuiTests(int argc, char** argv, const std::function<wxApp*()>& make_app, bool call_on_init) {
    testing::InitGoogleTest(&argc, argv);
    FailTestsOfAFailedSuiteSetUp();
    if (ListingOnly(argc, argv)) return RUN_ALL_TESTS();
    XvfbDisplay display;
    setenv("NO_AT_BRIDGE", "1", 0);  // no accessibility bus on a private display
    wxApp::SetInstance(make_app());
    if (!wxEntryStart(argc, argv)) return 2;
    if (call_on_init && !wxTheApp->CallOnInit()) return 2;
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
