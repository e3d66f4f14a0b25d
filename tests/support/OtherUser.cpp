#include "support/OtherUser.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace {
using namespace std::chrono_literals;

int Run(const std::string& command) {
    return std::system(command.c_str());
}

std::unique_ptr<ChildProcess> AsUser(const std::string& user, const std::string& program) {
    return std::make_unique<ChildProcess>(std::vector<std::string>{
        "runuser", "-u", user, "--", "/usr/bin/python3", "-u", "-c", program});
}
}  // namespace

OtherUser::OtherUser() : user("tvtest" + std::to_string(getpid())) {
    // No home, no login shell: only its processes matter.
    if (Run("useradd -M -N -s /usr/sbin/nologin " + user + " >/dev/null 2>&1") != 0) {
        throw std::runtime_error("cannot add the user " + user);
    }
}

// Its processes are the tests' ChildProcess objects, ended before the user goes.
OtherUser::~OtherUser() {
    Run("userdel -f " + user + " >/dev/null 2>&1");
}

std::unique_ptr<ChildProcess> OtherUser::Listen(int port) const {
    auto process = AsUser(user,
                          "import socket, time\n"
                          "s = socket.socket()\n"
                          // An earlier test's connections may still be in TIME_WAIT there, and
                          // its last listener a moment from closing.
                          "s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)\n"
                          "for attempt in range(100):\n"
                          "    try:\n"
                          "        s.bind(('127.0.0.1', " +
                              std::to_string(port) +
                              "))\n"
                              "        break\n"
                              "    except OSError:\n"
                              "        time.sleep(0.1)\n"
                              "s.listen(8)\n"
                              "print('LISTENING')\n"
                              "held = []\n"
                              "while True: held.append(s.accept())\n");
    process->WaitForLine("LISTENING", 20s);
    return process;
}

std::string OtherUser::Connect(int port, std::unique_ptr<ChildProcess>& holder) const {
    holder = AsUser(user,
                    "import socket, time\n"
                    "s = socket.socket()\n"
                    "try:\n"
                    "    s.connect(('127.0.0.1', " +
                        std::to_string(port) +
                        "))\n"
                        "    print('R CONNECTED')\n"
                        "except OSError:\n"
                        "    print('R REFUSED')\n"
                        "time.sleep(600)\n");
    return holder->WaitForLine("R ", 20s);
}
