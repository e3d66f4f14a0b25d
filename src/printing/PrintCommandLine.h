#pragma once

#include <string>

#include "platform/ProgramLayout.h"

// The print program's command line for one file: the program in the working folder, then
// -print-to "printer" "file". The printer name and the file are passed inside double quotes as
// they are (printer names often hold blanks). The program path is quoted only when the working
// folder holds a blank, so that it is not split into several words.
std::string PrintCommandLine(const ProgramLayout& layout, const std::string& working_folder,
                             const std::string& printer, const std::string& file);
