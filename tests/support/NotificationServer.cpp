#include "support/NotificationServer.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <sstream>

namespace {
// A session bus that starts nothing by itself: a real notification service installed on the
// machine must not answer in place of the recorder.
std::string BusConfig(const std::string& socket) {
    return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
           "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>session</type><listen>unix:path=" +
           socket +
           "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
           "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
           "<allow own=\"*\"/></policy></busconfig>\n";
}
}  // namespace

NotificationServer::NotificationServer(Service service) {
    WriteWholeFile(folder.File("bus.conf"), BusConfig(folder.File("bus")));
    bus = std::make_unique<ChildProcess>(
        std::vector<std::string>{"dbus-daemon", "--config-file=" + folder.File("bus.conf"),
                                 "--nofork", "--nopidfile", "--print-address=1"});
    const std::string bus_address = bus->WaitForLine("", std::chrono::seconds(20));
    address = std::make_unique<ScopedVariable>("DBUS_SESSION_BUS_ADDRESS", bus_address);
    WriteWholeFile(folder.File("shown.jsonl"), "");
    if (service == Service::None) return;
    recorder = std::make_unique<ChildProcess>(
        std::vector<std::string>{"/usr/bin/python3", "-u",
                                 TOLLIVANCE_SOURCE_DIR "/tests/support/notification_recorder.py",
                                 folder.File("shown.jsonl")},
        std::vector<std::string>{"DBUS_SESSION_BUS_ADDRESS=" + bus_address});
    recorder->WaitForLine("ready", std::chrono::seconds(20));
}

NotificationServer::~NotificationServer() {
    recorder.reset();
    address.reset();
    bus.reset();
}

std::vector<NotificationServer::Shown> NotificationServer::Notifications() const {
    std::vector<Shown> shown;
    std::istringstream lines(ReadWholeFile(folder.File("shown.jsonl")));
    for (std::string line; std::getline(lines, line);) {
        const auto record = nlohmann::json::parse(line, nullptr, false);
        if (record.is_discarded()) continue;  // being written
        shown.push_back(
            {record.value("summary", ""), record.value("body", ""), record.value("app", "")});
    }
    return shown;
}
