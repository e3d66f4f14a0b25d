#include "support/XvfbDisplay.h"

#include <cstdlib>

XvfbDisplay::XvfbDisplay() {
    if (const char* existing = std::getenv("DISPLAY"); existing != nullptr && *existing != '\0') {
        name = existing;
        return;
    }
    server = std::make_unique<ChildProcess>(std::vector<std::string>{
        "Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
    name = ":" + server->WaitForLine("", std::chrono::seconds(20));
    setenv("DISPLAY", name.c_str(), 1);
}

XvfbDisplay::~XvfbDisplay() {
    if (server) unsetenv("DISPLAY");
}
