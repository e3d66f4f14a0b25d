#include "support/SocketCensus.h"

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace {
// Inodes of the established IPv4 TCP sockets whose far end is remote_port.
std::set<std::string> EstablishedInodes(int remote_port) {
    std::set<std::string> inodes;
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line);  // header
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
        fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >>
            timeout >> inode;
        const auto colon = remote.find(':');
        if (colon == std::string::npos || state != "01") continue;
        if (std::stoi(remote.substr(colon + 1), nullptr, 16) == remote_port) inodes.insert(inode);
    }
    return inodes;
}
}  // namespace

int EstablishedConnections(pid_t pid, int remote_port) {
    const std::set<std::string> inodes = EstablishedInodes(remote_port);
    int count = 0;
    std::error_code error;
    for (const auto& entry :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
        const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
        if (target.rfind("socket:[", 0) != 0) continue;
        if (inodes.count(target.substr(8, target.size() - 9)) != 0) ++count;
    }
    return count;
}
