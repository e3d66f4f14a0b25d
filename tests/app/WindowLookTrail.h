#pragma once

// Before wx/weakref.h, which uses the standard type traits without including them.
#include <type_traits>

#include <wx/eventfilter.h>
#include <wx/weakref.h>
#include <wx/window.h>

#include <string>
#include <vector>

// Records how the window looked between the application's steps: before every application
// event and every button press, the desktop status, the printer status and the button (its
// label, "+" enabled or "-" disabled), so a look that lasts only from one event to the next is
// caught, which a polling loop could miss. The toolkit's own events (sizing, painting) are
// passed over: they also come in the middle of a handler.
class WindowLookTrail : public wxEventFilter {
  public:
    struct Look {
        std::string desktop, printer, button;
        bool operator==(const Look& other) const {
            return desktop == other.desktop && printer == other.printer && button == other.button;
        }
    };

    WindowLookTrail(wxWindow* desktop_status, wxWindow* printer_status, wxWindow* button);
    ~WindowLookTrail() override;
    WindowLookTrail(const WindowLookTrail&) = delete;
    WindowLookTrail& operator=(const WindowLookTrail&) = delete;

    int FilterEvent(wxEvent& event) override;
    // Records the current look now (e.g. at the end of a test step).
    void Sample();

    // "desktop / printer / button" per change of look.
    std::vector<std::string> Looks() const;
    // One part alone, with repeats merged.
    std::vector<std::string> Desktop() const;
    std::vector<std::string> Printer() const;
    std::vector<std::string> Button() const;

  private:
    std::vector<std::string> Part(std::string Look::*part) const;

    wxWeakRef<wxWindow> desktop_label, printer_label, connect_button;
    std::vector<Look> looks;
};
