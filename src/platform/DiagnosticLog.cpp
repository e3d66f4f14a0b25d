#include "platform/DiagnosticLog.h"

#include <wx/file.h>
#include <wx/utils.h>

#include <cstdio>
#include <iostream>

#include "platform/LocaleText.h"
#include "platform/LogFile.h"
#include "platform/OwnerOnlyFile.h"
#include "records/ShownText.h"

namespace {
// One line: text from a server may hold line ends and control characters.
std::string OneLine(const std::string& text, std::size_t limit) {
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            line += " | ";
        } else {
            line += c;
        }
    }
    return ShownText(line, limit);
}

std::unique_ptr<wxFile> Open(const wxString& path, std::uint64_t& size) {
    auto file = std::make_unique<wxFile>(OpenLogFile(path, size));
    // Also a file that was there before: it is about to hold this user's connections.
    if (!RestrictToOwner(*file)) throw std::string("it cannot be made private to its owner");
    return file;
}

std::mutex the_log_mutex;
std::unique_ptr<DiagnosticLog> the_log;
}  // namespace

DiagnosticLog::DiagnosticLog(const wxString& path, std::uint64_t rotate_at)
    : path(path), rotate_at(rotate_at), start(std::chrono::steady_clock::now()) {
    file = Open(path, size);
}

DiagnosticLog::~DiagnosticLog() = default;

void DiagnosticLog::AddSecret(const std::string& secret) {
    std::lock_guard<std::mutex> lock(mutex);
    scrubber.Add(secret);
}

std::string DiagnosticLog::Name(const std::string& untrusted, std::size_t limit) const {
    std::lock_guard<std::mutex> lock(mutex);
    // Scrubbed before it is cut, so no part of a secret survives the cut.
    return OneLine(scrubber.ScrubValue(untrusted), limit);
}

bool DiagnosticLog::Write(const std::string& text) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%.3f ", seconds);
    std::lock_guard<std::mutex> lock(mutex);
    // Scrubbed again once on one line: taking out a line end may have joined a secret's halves.
    const std::string line =
        stamp + scrubber.Scrub(OneLine(scrubber.Scrub(text), kLineLimit)) + "\n";
    if (file == nullptr) return false;
    if (size > 0 && size + line.size() > rotate_at && !Rotate()) return false;
    if (!file->Write(line.data(), line.size())) {
        End("it cannot be written");
        return false;
    }
    size += line.size();
    return true;
}

bool DiagnosticLog::Rotate() {
    file.reset();
    // A rename replaces whatever is at the older name, a link included, without following it.
    const std::string refused = RenameLogFile(path, path + ".1");
    if (!refused.empty()) {
        End("it cannot be rotated: " + refused);
        return false;
    }
    try {
        file = Open(path, size);
    } catch (const std::string& reason) {
        End("it cannot be opened again: " + reason);
        return false;
    }
    return true;
}

void DiagnosticLog::End(const std::string& reason) {
    file.reset();
    std::cerr << kLogVariable << ": the diagnostic log " << ToLocaleBytes(path)
              << " ends here: " << reason << std::endl;
}

void StartDiagnosticLog() {
    std::lock_guard<std::mutex> lock(the_log_mutex);
    the_log.reset();
    wxString path;
    if (!wxGetEnv(kLogVariable, &path) || path.empty()) return;
    try {
        the_log = std::make_unique<DiagnosticLog>(path);
    } catch (const std::string& reason) {
        std::cerr << kLogVariable << ": no diagnostic log is written to " << ToLocaleBytes(path)
                  << ": " << reason << std::endl;
    }
}

void StopDiagnosticLog() {
    std::lock_guard<std::mutex> lock(the_log_mutex);
    the_log.reset();
}

void LogStep(const std::string& text) {
    std::lock_guard<std::mutex> lock(the_log_mutex);
    if (the_log != nullptr) the_log->Write(text);
}

void LogSecret(const std::string& secret) {
    std::lock_guard<std::mutex> lock(the_log_mutex);
    if (the_log != nullptr) the_log->AddSecret(secret);
}

std::string LogName(const std::string& untrusted, std::size_t limit) {
    std::lock_guard<std::mutex> lock(the_log_mutex);
    return the_log != nullptr ? the_log->Name(untrusted, limit) : std::string();
}
