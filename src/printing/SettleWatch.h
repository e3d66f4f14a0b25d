#pragma once

#include <map>
#include <string>
#include <vector>

#include "printing/QueueMemory.h"

struct QueueEntry {
    std::string name;
    DocumentFingerprint reading;
};

// Decides from successive listings of the queue which documents stopped changing: a document
// is settled when two listings in a row read the same size and modification time. Every
// document in a listing is judged at once, so a batch waits once, not once per file.
class SettleWatch {
  public:
    struct Result {
        std::vector<QueueEntry> settled;     // in listing order
        std::vector<std::string> new_names;  // seen for the first time
        bool waiting = false;                // some document is still changing or new
    };

    Result Take(const std::vector<QueueEntry>& listing);
    // The document changed after it was judged settled: it needs two equal readings again.
    void Unsettle(const std::string& name);

  private:
    std::map<std::string, DocumentFingerprint> previous;
};
