#pragma once

#include <string>

// The text that identifies this machine (Windows: the MachineGuid registry value in the 64-bit
// view; Linux: the machine id). Empty when it cannot be read.
std::string ReadMachineIdText();

// Linux: the first non-empty, trimmed line of the first readable file among paths.
std::string ReadFirstMachineIdFile(const char* const* paths, int count);
