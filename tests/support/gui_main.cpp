// Test entry for the window suites: a real GTK application on a private Xvfb display.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>

#include <cstring>
#include <memory>

#include "support/XvfbDisplay.h"

namespace {
class TestGuiApp : public wxApp {
  public:
    bool OnInit() override { return true; }
};

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
    wxApp::SetInstance(new TestGuiApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) return 2;
    const int result = RUN_ALL_TESTS();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
