#include <windows.h>
#include <wx/dcclient.h>
#include <wx/window.h>

#include "platform/ColourDepth.h"

int ScreenColourDepth(wxWindow* window) {
    if (window == nullptr) {
        HDC screen = ::GetDC(nullptr);
        const int bits = ::GetDeviceCaps(screen, BITSPIXEL);
        ::ReleaseDC(nullptr, screen);
        return bits;
    }
    wxClientDC dc(window);
    return ::GetDeviceCaps(static_cast<HDC>(dc.GetHDC()), BITSPIXEL);
}
