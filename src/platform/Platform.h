#pragma once

// The platform word in the client identification string: "win32" or "linux".
const char* PlatformWord();

// Whether the system draws a button under the pointer with its theme's own background instead
// of the colour the button was given (Windows' visual styles do), so that a light label on that
// colour would vanish.
bool ThemeDrawsHoveredButtons();
