#include "platform/ColourDepth.h"

#include <wx/dcclient.h>
#include <wx/gdicmn.h>
#include <wx/window.h>

#ifdef _WIN32
#include <windows.h>
#endif

int ScreenColourDepth(wxWindow* window) {
#ifdef _WIN32
    if (window == nullptr) {
        HDC screen = ::GetDC(nullptr);
        const int bits = ::GetDeviceCaps(screen, BITSPIXEL);
        ::ReleaseDC(nullptr, screen);
        return bits;
    }
    wxClientDC dc(window);
    return ::GetDeviceCaps(static_cast<HDC>(dc.GetHDC()), BITSPIXEL);
#else
    (void)window;
    return wxDisplayDepth();
#endif
}
