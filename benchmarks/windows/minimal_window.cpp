// The smallest wxMSW program: one frame, shown at start. Built the same way as the client
// (static, same toolchain and wx), it is the baseline for start time and memory under Wine.
#include <wx/wx.h>

namespace {

class MinimalApp : public wxApp {
public:
    bool OnInit() override
    {
        auto* frame = new wxFrame(nullptr, wxID_ANY, "Minimal wxMSW window", wxDefaultPosition,
                                  wxSize(400, 300));
        new wxPanel(frame);
        frame->Show();
        return true;
    }
};

} // namespace

wxIMPLEMENT_APP(MinimalApp);
