#include <wx/gdicmn.h>

#include "platform/ColourDepth.h"

int ScreenColourDepth(wxWindow*) {
    return wxDisplayDepth();
}
