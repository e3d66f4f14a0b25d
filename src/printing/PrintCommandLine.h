#pragma once

#include <string>

#include "platform/CommandLine.h"
#include "platform/ProgramLayout.h"

// The print program's command for one file: the program in the working folder, then
// -print-to "printer" "file". In the text the printer name and the file are always in double
// quotes (printer names often hold blanks), the program path only when it needs them.
CommandLine PrintCommandLine(const ProgramLayout& layout, const std::string& working_folder,
                             const std::string& printer, const std::string& file);
