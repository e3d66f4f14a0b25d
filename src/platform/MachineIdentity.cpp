#include "platform/MachineIdentity.h"

#include <fstream>

std::string ReadFirstMachineIdFile(const char* const* paths, int count) {
    for (int i = 0; i < count; ++i) {
        std::ifstream in(paths[i]);
        std::string line;
        while (in && std::getline(in, line)) {
            const auto first = line.find_first_not_of(" \t\r");
            if (first == std::string::npos) continue;
            const auto last = line.find_last_not_of(" \t\r");
            return line.substr(first, last - first + 1);
        }
    }
    return "";
}
