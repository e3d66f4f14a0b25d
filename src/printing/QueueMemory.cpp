#include "printing/QueueMemory.h"

bool QueueMemory::Remember(const std::string& key, const DocumentFingerprint& fingerprint) {
    std::lock_guard<std::mutex> lock(mutex);
    const auto found = documents.find(key);
    if (found != documents.end() && found->second == fingerprint) return false;
    // A server can name new documents for ever: past the bound one is forgotten, at worst
    // reported or printed again.
    if (found == documents.end() && documents.size() >= kMaxDocuments) {
        documents.erase(documents.begin());
    }
    documents[key] = fingerprint;
    return true;
}

bool QueueMemory::Holds(const std::string& key, const DocumentFingerprint& fingerprint) {
    std::lock_guard<std::mutex> lock(mutex);
    const auto found = documents.find(key);
    if (found == documents.end()) return false;
    if (found->second == fingerprint) return true;
    documents.erase(found);
    return false;
}

void QueueMemory::Forget(const std::string& key) {
    std::lock_guard<std::mutex> lock(mutex);
    documents.erase(key);
}

QueueMemory& PrintedButQueued() {
    static QueueMemory memory;
    return memory;
}

QueueMemory& RefusedDocuments() {
    static QueueMemory memory;
    return memory;
}
