#pragma once

class wxWindow;

// Bits per pixel of the screen that shows the window.
int ScreenColourDepth(wxWindow* window);
