#include "support/Sandbox.h"

#include <cstdio>
#include <stdexcept>

Sandbox::Sandbox(const SandboxOptions& options) {
    SetScenario(options.scenario);
    std::vector<std::string> argv = {"/usr/bin/python3",
                                     std::string(TOLLIVANCE_SOURCE_DIR) + "/sandbox/run_sandbox.py",
                                     "--state-dir",
                                     state.path(),
                                     "--pki",
                                     TOLLIVANCE_PKI_DIR,
                                     "--exit-with-stdin",
                                     "--keys",
                                     TOLLIVANCE_KEY_DIR};
    if (options.https) argv.push_back("--https");
    if (options.ssh) argv.push_back("--ssh");
    if (options.print_queue) argv.push_back("--print-queue");
    if (options.desktop) argv.push_back("--desktop");
    if (options.drives) argv.push_back("--drives");
    if (options.nx) argv.push_back("--nx");
    if (options.desktop_ssh) argv.push_back("--desktop-ssh");
    process = std::make_unique<ChildProcess>(argv);
    ready = nlohmann::json::parse(process->WaitForLine("READY ", std::chrono::seconds(30)));
}

int Sandbox::Port(const std::string& name) const {
    if (!ready.contains(name)) throw std::runtime_error("sandbox has no port " + name);
    return ready.at(name).get<int>();
}

std::string Sandbox::BaseUrl() const {
    return "https://127.0.0.1:" + std::to_string(Port("https"));
}

std::string Sandbox::CaFile() const {
    return std::string(TOLLIVANCE_PKI_DIR) + "/ca.pem";
}

void Sandbox::SetScenario(const nlohmann::json& scenario) {
    const std::string file = state.File("scenario.json");
    WriteWholeFile(file + ".new", scenario.dump());
    std::rename((file + ".new").c_str(), file.c_str());  // the sandbox never sees half a file
}

std::vector<nlohmann::json> Sandbox::HttpsRequests() const {
    std::vector<nlohmann::json> requests;
    const std::string log = state.File("https_requests.jsonl");
    if (!FileExists(log)) return requests;
    const std::string text = ReadWholeFile(log);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) break;  // a line still being written
        requests.push_back(nlohmann::json::parse(text.substr(start, end - start)));
        start = end + 1;
    }
    return requests;
}
