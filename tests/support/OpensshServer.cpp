#include "support/OpensshServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

OpensshServer::OpensshServer(const std::vector<std::string>& authorized_key_files,
                             const std::vector<std::string>& extra_config,
                             const std::string& log_level) {
    std::filesystem::create_directories("/run/sshd");  // sshd's privilege-separation folder
    std::string keys;
    for (const auto& file : authorized_key_files) keys += ReadWholeFile(file);
    WriteWholeFile(folder.File("authorized_keys"), keys);
    const std::string host_key = folder.File("host_key");
    if (std::system(("ssh-keygen -q -t ed25519 -N '' -f " + host_key).c_str()) != 0) {
        throw std::runtime_error("ssh-keygen failed");
    }
    port = FreeLoopbackPort();
    std::string config = "Port " + std::to_string(port) + "\nListenAddress 127.0.0.1\nHostKey " +
                         host_key + "\nPidFile " + folder.File("sshd.pid") +
                         "\nAuthorizedKeysFile " + folder.File("authorized_keys") +
                         "\nStrictModes no\nPermitRootLogin yes\nPasswordAuthentication no\n"
                         "KbdInteractiveAuthentication no\nUsePAM no\nAllowTcpForwarding yes\n"
                         "Subsystem sftp internal-sftp\nLogLevel " +
                         log_level + "\n";
    for (const auto& line : extra_config) config += line + "\n";
    WriteWholeFile(folder.File("sshd_config"), config);
    std::vector<std::string> argv = {"/usr/sbin/sshd", "-D", "-f", folder.File("sshd_config")};
    if (log_level == "ERROR") {
        argv.push_back("-e");
    } else {
        argv.insert(argv.end(), {"-E", folder.File("sshd.log")});
    }
    server = std::make_unique<ChildProcess>(argv);
    if (!WaitForListener(port, 10000)) throw std::runtime_error("sshd did not start");
}

std::string OpensshServer::Log() const {
    return ReadWholeFile(folder.File("sshd.log"));
}
