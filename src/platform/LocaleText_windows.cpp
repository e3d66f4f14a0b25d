#include "platform/LocaleTextConv.h"

// UTF-8, not the ANSI code page (wxConvLibc here): code page 1252 cannot hold a Greek name, and
// the manifest's UTF-8 code page is ignored before Windows 10 1903. The system itself is only
// ever given wide text, through the toolkit.
const wxMBConv& NarrowTextConv() {
    return wxConvUTF8;
}
