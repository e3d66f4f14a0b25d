#include "support/Sandbox.h"

#include <filesystem>
#include <stdexcept>

int Sandbox::Port(const std::string& name) const {
    if (!ready.contains(name)) throw std::runtime_error("sandbox has no port " + name);
    return ready.at(name).get<int>();
}

std::string Sandbox::BaseUrl() const {
    return "https://127.0.0.1:" + std::to_string(Port("https"));
}

std::string Sandbox::CaFile() const {
    return pki_dir + "/ca.pem";
}

void Sandbox::SetScenario(const nlohmann::json& scenario) {
    const std::string file = state_dir + "/scenario.json";
    const std::string staged = file + ".new";
    WriteWholeFile(staged, scenario.dump());
    // The sandbox never sees half a file (on Windows too: this rename replaces the old one).
    std::error_code error;
    std::filesystem::rename(staged, file, error);
    if (error) throw std::runtime_error("could not write " + file + ": " + error.message());
}

std::vector<nlohmann::json> Sandbox::HttpsRequests() const {
    std::vector<nlohmann::json> requests;
    const std::string log = state_dir + "/https_requests.jsonl";
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
