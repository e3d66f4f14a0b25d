#include <langinfo.h>
#include <string.h>

#include "platform/LocaleTextConv.h"

// The locale's conversion. In a UTF-8 locale a byte that is no UTF-8 travels as a private-use
// character and back, as the toolkit does with file names, so that a folder named in another
// character set is still reached (and shown with U+FFFD by ShownText) rather than lost.
const wxMBConv& NarrowTextConv() {
    static const wxMBConvUTF8 utf8_keeping_bytes(wxMBConvUTF8::MAP_INVALID_UTF8_TO_PUA);
    if (strcmp(nl_langinfo(CODESET), "UTF-8") == 0) return utf8_keeping_bytes;
    return wxConvLibc;
}
