#pragma once

#include <wx/modalhook.h>

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

  protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog*) override {}

  private:
    int answer;
    std::vector<Shown> dialogs;
};
