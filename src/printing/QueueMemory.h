#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

// What identifies one document under its name in the queue: a new document under the same
// name differs in size or modification time.
struct DocumentFingerprint {
    std::uint64_t size = 0;
    std::uint32_t mtime = 0;
    bool operator==(const DocumentFingerprint& other) const {
        return size == other.size && mtime == other.mtime;
    }
};

// Documents remembered for the life of the program by key (server, account and path), shared
// by every print queue thread: each session starts a new one, and a document must not be
// printed or reported again by the next.
class QueueMemory {
  public:
    // False when the key was already remembered with this fingerprint.
    bool Remember(const std::string& key, const DocumentFingerprint& fingerprint);
    // True when the key is remembered with this fingerprint; a different one is forgotten (a
    // new document under the same name).
    bool Holds(const std::string& key, const DocumentFingerprint& fingerprint);
    void Forget(const std::string& key);

    static constexpr std::size_t kMaxDocuments = 10000;

  private:
    std::mutex mutex;
    std::map<std::string, DocumentFingerprint> documents;
};

// Printed once, but the server kept them (or the connection went during the delete).
QueueMemory& PrintedButQueued();
// Too big to fetch; the user has been told.
QueueMemory& RefusedDocuments();
