#pragma once

#include <memory>

#include "support/ChildProcess.h"

// A window manager on the test's display, so that minimising and restoring really happen
// (without one, an X server ignores iconify requests). Starts openbox when no window manager
// runs yet, waits until it has taken over, and stops it when destroyed.
class WindowManager {
  public:
    WindowManager();
    ~WindowManager();
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

    // Whether a window manager has announced itself on the display.
    static bool Running();

  private:
    std::unique_ptr<ChildProcess> manager;
};

// A system tray on the test's display (trayer), so that the toolkit finds a tray to put its
// icon in. Waits until the tray has taken over, and stops it when destroyed.
class SystemTray {
  public:
    SystemTray();
    ~SystemTray();
    SystemTray(const SystemTray&) = delete;
    SystemTray& operator=(const SystemTray&) = delete;

    // Whether the toolkit sees a tray on the display.
    static bool Available();

  private:
    std::unique_ptr<ChildProcess> tray;
};
