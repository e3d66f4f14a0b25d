#include "support/WindowManager.h"

#include <wx/taskbar.h>

#include <cstdlib>
#include <stdexcept>
#include <thread>

#include "support/EventPump.h"

bool WindowManager::Running() {
    // A compliant manager sets this property on the root window once it has taken over.
    return std::system("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'") ==
           0;
}

WindowManager::WindowManager() {
    if (Running()) return;
    manager = std::make_unique<ChildProcess>(
        std::vector<std::string>{"openbox", "--sm-disable", "--replace"});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!Running()) {
        if (!manager->Running()) throw std::runtime_error("openbox ended at start-up");
        if (std::chrono::steady_clock::now() > deadline) {
            throw std::runtime_error("openbox did not take over the display within 20 s");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

WindowManager::~WindowManager() {
    if (!manager) return;
    manager->Stop();
    // Leave the display as it was, so the next start waits for the new manager.
    std::system("xprop -root -remove _NET_SUPPORTING_WM_CHECK >/dev/null 2>&1");
}

bool SystemTray::Available() {
    return wxTaskBarIcon::IsAvailable();
}

SystemTray::SystemTray() {
    if (Available()) return;
    tray = std::make_unique<ChildProcess>(std::vector<std::string>{"trayer", "--expand", "true"});
    if (!PumpUntil([] { return Available(); }, std::chrono::seconds(20))) {
        throw std::runtime_error("trayer did not take over the tray within 20 s");
    }
}

SystemTray::~SystemTray() {
    if (tray) tray->Stop();
}
