// Closing the window while connected ends everything the session started.
#include <wx/app.h>
#include <wx/toplevel.h>

#include "ApplicationTest.h"
#include "support/EventPump.h"

namespace {
bool Alive(long pid) {
    const std::string stat = ReadWholeFile("/proc/" + std::to_string(pid) + "/stat");
    const auto close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

class ShutdownFlow : public ApplicationTest {};

TEST_F(ShutdownFlow, ClosingTheWindowWhileConnectedEndsProgramsAndWorkers) {
    AddDefaultPrinter("Hall_Laser");
    StartSandbox(true, Scenario({{"session", {{"protocol", "nx"}}}}));
    StartApp();
    Connect();
    ASSERT_TRUE(WaitUntilConnected()) << Desktop() << " / " << Button();
    ASSERT_TRUE(PumpUntil([&] { return Printer() == "Connected"; })) << Printer();
    MirlNxAppInspector inspect(TheApp());
    ASSERT_TRUE(inspect.HoldsPrintQueue());
    const long tunnel = inspect.TunnelPid();
    ASSERT_GT(tunnel, 0);
    ASSERT_TRUE(folder.Running("nxproxy"));
    ASSERT_TRUE(folder.Running("xserver"));

    trail.reset();  // the labels go with the window
    TheApp().GetFrame()->Close();
    // Shutdown returned: the print queue reported its end within the wait.
    EXPECT_EQ(TheApp().GetFrame(), nullptr);
    EXPECT_FALSE(inspect.HoldsPrintQueue());
    EXPECT_FALSE(inspect.HoldsTunnelThread());
    PumpFor(std::chrono::milliseconds(100));
    wxTheApp->ProcessIdle();
    EXPECT_TRUE(wxTopLevelWindows.IsEmpty());

    EXPECT_TRUE(PumpUntil([&] { return !folder.Running("nxproxy") && !folder.Running("xserver"); }))
        << "nxproxy " << folder.Running("nxproxy") << ", X server " << folder.Running("xserver");
    EXPECT_TRUE(PumpUntil([&] { return !Alive(tunnel); })) << "the session's forwarding ssh";
    EXPECT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
}
}  // namespace
