#include "support/ModalHook.h"

#include <wx/msgdlg.h>

#include <algorithm>

#include "support/EventPump.h"

ModalHook::ModalHook(int answer_with) : answer(answer_with) {
    Register();
}

ModalHook::~ModalHook() {
    Unregister();
}

int ModalHook::Enter(wxDialog* dialog) {
    std::string message;
    if (auto* box = dynamic_cast<wxMessageDialog*>(dialog)) {
        message = std::string(box->GetMessage().utf8_str());
    }
    dialogs.push_back({std::string(dialog->GetTitle().utf8_str()), message});
    if (hold.count() > 0) {
        most_open = std::max(most_open, ++open);
        PumpFor(hold);
        --open;
    }
    return answer;
}
