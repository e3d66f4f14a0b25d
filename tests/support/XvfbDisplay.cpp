#include "support/XvfbDisplay.h"

#include <cstdio>
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

bool WindowShown(const std::string& title) {
    FILE* tree = popen("xwininfo -root -tree 2>/dev/null", "r");
    if (tree == nullptr) return false;
    std::string text;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, tree)) > 0;) text.append(buffer, n);
    pclose(tree);
    return text.find("\"" + title + "\"") != std::string::npos;
}
