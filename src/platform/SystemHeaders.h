#pragma once

// Windows: the system headers once, up front, with the macros they define over names this
// program uses itself removed. Their include guards keep a later inclusion (through libssh or
// the toolkit) from defining them again. Elsewhere: nothing.
#ifdef _WIN32
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on
// The spooler's GetPrinter (GetPrinterW) would rename the window's own GetPrinter in some
// files but not in others.
#undef GetPrinter
#endif
