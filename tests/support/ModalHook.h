#pragma once

#include <wx/modalhook.h>

#include <chrono>
#include <string>
#include <vector>

// Answers every modal dialog at once instead of showing it, and records what it would have
// shown, so window tests never block on a message box.
class ModalHook : public wxModalDialogHook {
  public:
    struct Shown {
        std::string caption;
        std::string message;
    };

    // answer: what ShowModal returns, e.g. wxID_OK, wxID_YES or wxID_NO.
    explicit ModalHook(int answer = wxID_OK);
    ~ModalHook() override;

    const std::vector<Shown>& shown() const { return dialogs; }
    void set_answer(int value) { answer = value; }
    // Keeps each dialog "open" this long, running the event loop meanwhile as a real modal
    // dialog does, so events that arrive while it is open are handled inside it.
    void HoldOpen(std::chrono::milliseconds duration) { hold = duration; }
    // The most dialogs that were open at once.
    int MostOpenAtOnce() const { return most_open; }

  protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog*) override {}

  private:
    int answer;
    std::vector<Shown> dialogs;
    std::chrono::milliseconds hold{0};
    int open = 0;
    int most_open = 0;
};
