#pragma once

#include <wx/strconv.h>

// The conversion behind ToLocaleBytes and FromLocaleBytes on this system; for LocaleText only.
const wxMBConv& NarrowTextConv();
