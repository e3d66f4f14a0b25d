#pragma once

#include <memory>
#include <string>

#include "support/ChildProcess.h"

// A private X display for the process: when DISPLAY is unset, starts Xvfb on a free display
// number and points DISPLAY at it until destroyed.
class XvfbDisplay {
  public:
    XvfbDisplay();
    ~XvfbDisplay();
    const std::string& display() const { return name; }

  private:
    std::unique_ptr<ChildProcess> server;
    std::string name;
};

// Whether a window with exactly this title is on the process's display (DISPLAY).
bool WindowShown(const std::string& title);
