// Test entry for the unit and integration suites: the toolkit's base without a display, with an
// active event loop so that queued events and child-process ends are delivered while tests pump.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/apptrait.h>
#include <wx/evtloop.h>
#include <wx/init.h>

#include <memory>

#include "support/FailedSuiteSetUp.h"
#include "support/SanitizerDefaults.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    FailTestsOfAFailedSuiteSetUp();
    wxInitializer toolkit(argc, argv);
    if (!toolkit.IsOk()) return 2;
    std::unique_ptr<wxEventLoopBase> loop(
        wxAppConsole::GetInstance()->GetTraits()->CreateEventLoop());
    wxEventLoopActivator active(loop.get());
    return RUN_ALL_TESTS();
}
