#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include <wx/string.h>

#include "platform/SecretScrubber.h"

class wxFile;

// A log of the steps of each connection, for the user to hand to support: one line a step,
// led by the seconds since the log began. Every secret given to AddSecret is taken out of
// every line before it is written, so a new log call cannot leak one. Thread-safe. At
// rotate_at bytes the file is renamed path + ".1" (one older file kept) and a new one begins.
class DiagnosticLog {
  public:
    static constexpr std::uint64_t kRotateAt = 4 * 1024 * 1024;
    // Longest line written, and longest name from a server within one.
    static constexpr std::size_t kLineLimit = 2000;
    static constexpr std::size_t kNameLimit = 120;

    // Throws a std::string message when the file cannot be opened (see OpenLogFile).
    explicit DiagnosticLog(const wxString& path, std::uint64_t rotate_at = kRotateAt);
    ~DiagnosticLog();
    DiagnosticLog(const DiagnosticLog&) = delete;
    DiagnosticLog& operator=(const DiagnosticLog&) = delete;

    void AddSecret(const std::string& secret);
    // Writes one line; false once the file can no longer be written.
    bool Write(const std::string& text);
    // A name or message from elsewhere, fit for a line: secrets out (ScrubValue), control
    // characters out, bounded by limit.
    std::string Name(const std::string& untrusted, std::size_t limit = kNameLimit) const;

  private:
    // Without a retry: a log that failed once ends, with one line on the standard error stream.
    bool Rotate();
    void End(const std::string& reason);

    const wxString path;
    const std::uint64_t rotate_at;
    const std::chrono::steady_clock::time_point start;
    mutable std::mutex mutex;
    SecretScrubber scrubber;
    std::unique_ptr<wxFile> file;
    std::uint64_t size = 0;
};

// The client's own log, on only when the environment variable TOLLIVANCE_LOG names a file. A log
// that cannot be opened is one line on the standard error stream; the client goes on without.
inline constexpr const char* kLogVariable = "TOLLIVANCE_LOG";
void StartDiagnosticLog();
void StopDiagnosticLog();
// Each does nothing while the log is off. A secret is registered before any line could hold it.
void LogStep(const std::string& text);
void LogSecret(const std::string& secret);
// A name or message from elsewhere for a line (DiagnosticLog::Name); "" while the log is off.
std::string LogName(const std::string& untrusted, std::size_t limit = DiagnosticLog::kNameLimit);
