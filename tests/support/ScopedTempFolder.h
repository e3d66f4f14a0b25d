#pragma once

#include <string>
#include <vector>

#include "support/ScopedVariable.h"
#include "support/TempDir.h"

// Points the toolkit's temporary folder (TMPDIR, which it asks first on Windows too) at a
// fresh folder while it lives.
class ScopedTempFolder {
  public:
    ScopedTempFolder();
    const std::string& path() const { return folder.path(); }
    std::vector<std::string> Files() const;

  private:
    TempDir folder;
    ScopedVariable variable;
};
