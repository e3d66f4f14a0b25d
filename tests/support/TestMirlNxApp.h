#pragma once

#include <optional>
#include <string>

#include "app/MirlNxApp.h"
#include "app/MirlNxProcess.h"
#include "session/OpensshProcess.h"

// The real application object, with the machine's hardware key replaceable so a test can stand
// for a machine that has none.
class TestMirlNxApp : public MirlNxApp {
  public:
    std::string GetHardwareKey() const override {
        return hardware_key ? *hardware_key : MirlNxApp::GetHardwareKey();
    }

    std::optional<std::string> hardware_key;
};

// Read-only view of the members that say which programs and workers the application holds.
class MirlNxAppInspector {
  public:
    explicit MirlNxAppInspector(const MirlNxApp& inspected) : app(inspected) {}

    bool HoldsViewer() const { return app.viewer_process != nullptr; }
    bool HoldsXServer() const { return app.xserver_process != nullptr; }
    bool HoldsForwardingSsh() const { return app.ssh_process != nullptr; }
    bool HoldsPrintQueue() const { return app.printer_thread != nullptr; }
    bool HoldsTunnelThread() const { return app.tunnel.thread != nullptr; }
    // The session's own forwarding ssh, or -1.
    long TunnelPid() const {
        return app.tunnel.process != nullptr ? app.tunnel.process->GetPid() : -1;
    }
    bool HoldsTunnelKey() const { return app.ssh_key != nullptr; }

  private:
    const MirlNxApp& app;
};

// The application the test program created.
inline TestMirlNxApp& TheApp() {
    return *static_cast<TestMirlNxApp*>(wxTheApp);
}
