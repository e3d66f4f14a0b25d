#pragma once

#include <wx/process.h>
#include <wx/timer.h>

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

    // Starts reading; call once the program runs.
    void StartReading();
    // Reads what is left and stops; call when the program has ended.
    void FinishReading();

    // The last non-empty line of the error output (at most kMaxLineBytes), or empty.
    const std::string& LastErrorLine() const { return last_line; }

  private:
    void OnReadTimer(wxTimerEvent& event);
    void ReadAvailable();
    void TakeErrorBytes(const char* data, std::size_t size);

    wxTimer read_timer;
    std::string current_line;
    std::string last_line;
};
