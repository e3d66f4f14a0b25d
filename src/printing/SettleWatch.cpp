#include "printing/SettleWatch.h"

SettleWatch::Result SettleWatch::Take(const std::vector<QueueEntry>& listing) {
    Result result;
    std::map<std::string, DocumentFingerprint> current;
    for (const QueueEntry& entry : listing) {
        current[entry.name] = entry.reading;
        const auto found = previous.find(entry.name);
        if (found == previous.end()) {
            result.new_names.push_back(entry.name);
            result.waiting = true;
        } else if (found->second == entry.reading) {
            result.settled.push_back(entry);
        } else {
            result.waiting = true;
        }
    }
    previous = std::move(current);
    return result;
}

void SettleWatch::Unsettle(const std::string& name) {
    previous.erase(name);
}
