#pragma once

#include <cstddef>
#include <functional>
#include <string>

// Print failures shown one box at a time. A box is modal, and events keep coming while it is
// open: failures that arrive meanwhile are gathered and shown together in one box after it,
// so a flood of failures never stacks boxes.
class PrintFailureNotices {
  public:
    // show: shows one box and returns when it is closed.
    explicit PrintFailureNotices(std::function<void(const std::string&)> show);

    void Add(const std::string& text);

  private:
    std::string TakeGathered();

    std::function<void(const std::string&)> show;
    bool showing = false;
    std::string first_gathered;
    std::size_t gathered = 0;
};
