#pragma once

#include <wx/process.h>
#include <wx/timer.h>

#include <chrono>
#include <string>

// A child program whose output is read as it comes (so that a full pipe never stalls it) and
// dropped, except the last line it wrote to its error output: usually why it gave up. What is
// kept is bounded, however much the program writes.
class ErrorTailProcess : public wxProcess {
  public:
    static constexpr std::size_t kMaxLineBytes = 400;

    ErrorTailProcess();
    ~ErrorTailProcess() override;
    ErrorTailProcess(const ErrorTailProcess&) = delete;
    ErrorTailProcess& operator=(const ErrorTailProcess&) = delete;

    // Reads in the background from now on; call once the program runs.
    void StartReading();
    // Stops reading in the background.
    void StopReading();
    // Reads what is left and stops; call when the program has ended.
    void FinishReading();

    // Reads what is waiting now without blocking (what came on the standard output is dropped)
    // and returns what came on the error output; ended is set once that output has ended.
    std::string ReadError(bool& ended);

    // The last non-empty line of the error output (at most kMaxLineBytes), or empty.
    const std::string& LastErrorLine() const { return last_line; }

  private:
    void OnReadTimer(wxTimerEvent& event);
    struct Look {
        bool came = false;  // anything on either output
        bool output_ended = false;
        bool error_ended = false;
    };
    // Reads what is waiting, adding what came on the error output to error_text (may be null).
    Look ReadAvailable(std::string* error_text);
    void TakeErrorBytes(const char* data, std::size_t size);

    wxTimer read_timer;
    // A quiet program is looked at less and less often: each look is a wake-up of the GUI
    // thread, and most programs say nothing for hours.
    std::chrono::milliseconds read_interval{0};
    std::string current_line;
    std::string last_line;
};
