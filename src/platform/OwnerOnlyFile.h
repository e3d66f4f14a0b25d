#pragma once

class wxFile;

// Makes an open file readable and writable by its owner only; false when that failed. On
// Windows a new file in the user's own temporary folder already is.
bool RestrictToOwner(wxFile& file);
