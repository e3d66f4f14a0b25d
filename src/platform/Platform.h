#pragma once

// The platform word in the client identification string: "win32" or "linux".
const char* PlatformWord();
