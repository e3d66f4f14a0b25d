#include "printing/PrintQueueWorker.h"

#include <fcntl.h>
#include <wx/file.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/stdpaths.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

#include "net/LibsshConnection.h"
#include "platform/DiagnosticLog.h"
#include "platform/LocaleText.h"
#include "platform/OwnerOnlyFile.h"
#include "printing/SftpDownload.h"
#include "records/Events.h"

namespace {
using std::chrono::milliseconds;

const char* const kQueueFolder = ".mirlprinting/";
const char* const kFallbackQueueFolder = "/.mirlprinting/";  // after the account name
constexpr milliseconds kConnectTimeout{30000};
// A document is seen within this, then settles for kSettleInterval. While the queue is idle a
// look is one small request (the folder's time), so looking often costs little.
constexpr milliseconds kScanPause{100};
constexpr milliseconds kSettleInterval{500};
// After a lost connection the pause before each new try doubles from the first to the longest:
// a short drop is bridged at once, a long one does not keep the line busy.
constexpr milliseconds kFirstReconnectPause{1000};
constexpr milliseconds kLongestReconnectPause{30000};
constexpr int kStallsBeforePassingOver = 2;
// Between two full listings the folder's modification time says whether anything came or
// went. It counts in whole seconds: a change within the same second as the one the listing saw
// would not show. Once the time was seen this long ago, every later change moves it, so a
// listing started after that has missed nothing the time would not show.
constexpr milliseconds kFolderTimeResolution{1100};
// Far above any print job, low enough that one document cannot fill the local disk.
constexpr std::uint64_t kMaxDocumentBytes = std::uint64_t{4} << 30;
const char* const kMaxDocumentText = "4 GiB";
// Entries taken from one listing of the queue folder.
constexpr std::size_t kMaxListingEntries = 10000;
// Documents passed over for stalling that are remembered.
constexpr std::size_t kMaxStalls = 1000;

struct AttributesDeleter {
    void operator()(sftp_attributes attributes) const { sftp_attributes_free(attributes); }
};
using Attributes = std::unique_ptr<sftp_attributes_struct, AttributesDeleter>;

// Only a regular file is a document: a link may lead to a device, and opening a pipe waits for
// a writer that may never come. A server that sends no permissions says nothing about the kind.
enum class EntryKind { Document, Link, Other, Unknown };

EntryKind KindOf(const sftp_attributes_struct& attributes) {
    if ((attributes.flags & SSH_FILEXFER_ATTR_PERMISSIONS) != 0) {
        switch (attributes.permissions & 0170000) {
            case 0100000:
                return EntryKind::Document;
            case 0120000:
                return EntryKind::Link;
            default:
                return EntryKind::Other;
        }
    }
    switch (attributes.type) {
        case SSH_FILEXFER_TYPE_REGULAR:
            return EntryKind::Document;
        case SSH_FILEXFER_TYPE_SYMLINK:
            return EntryKind::Link;
        case SSH_FILEXFER_TYPE_DIRECTORY:
        case SSH_FILEXFER_TYPE_SPECIAL:
            return EntryKind::Other;
        default:
            return EntryKind::Unknown;
    }
}

// A link itself is no document: following it is the caller's business.
bool MayBeDocument(const sftp_attributes_struct& attributes) {
    const EntryKind kind = KindOf(attributes);
    return kind == EntryKind::Document || kind == EntryKind::Unknown;
}

bool HasSize(const sftp_attributes_struct& attributes) {
    return (attributes.flags & SSH_FILEXFER_ATTR_SIZE) != 0;
}

// Runs one library call marked for the bound as a plain or a finishing call.
template <typename Function>
auto Marked(RequestBound& bound, bool finishing, Function call) {
    if (finishing) {
        FinishingCall marked(bound);
        return call();
    }
    BoundCall marked(bound);
    return call();
}

DocumentFingerprint FingerprintOf(const sftp_attributes_struct& attributes) {
    return DocumentFingerprint{attributes.size, attributes.mtime};
}

std::string Quoted(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "\"" : ", \"") + name + "\"";
    return text;
}
}  // namespace

PrintQueueWorker::PrintQueueWorker(wxEvtHandler* sink_, PrintQueueServer server_,
                                   RequestBound& bound_)
    : sink(sink_), server(std::move(server_)), bound(bound_) {}

void PrintQueueWorker::Post(wxEventType type, const std::string& text) {
    QueueThreadEvent(sink, type, text);
}

void PrintQueueWorker::ReportLocalFailureOnce(const std::string& text) {
    if (local_failure_reported) return;
    local_failure_reported = true;
    Post(EVT_PRINT_FAILURE, text);
}

std::string PrintQueueWorker::Key(const std::string& path) const {
    return server.account + "@" + server.host + ":" + std::to_string(server.port) + ":" + path;
}

bool PrintQueueWorker::Lost(const LibSshSftpPtr& sftp) const {
    // A cut socket may not have been noticed by the library yet.
    return bound.TimedOut() || bound.StopRequested() || ssh_is_connected(sftp->get()->session) == 0;
}

void PrintQueueWorker::Run() {
    ConnectFailure failure;
    LibSshSftpPtr sftp = Connect(kConnectTimeout, failure);
    // The first connection is not tried again: a wrong password or server stays wrong.
    if (!sftp) {
        if (!bound.StopRequested()) Post(EVT_PRINT_FAILURE, failure.message);
        return;
    }
    while (sftp && !bound.StopRequested()) {
        switch (Scan(sftp)) {
            case ScanResult::Completed:
                reconnecting = false;
                bound.Pause(waiting ? kSettleInterval : kScanPause);
                break;
            case ScanResult::NoFolder:
                reconnecting = false;  // the server answered
                bound.Pause(kScanPause);
                break;
            case ScanResult::Stopped:
            case ScanResult::ListingFailed:
                Disconnect(sftp);
                return;
            case ScanResult::ConnectionLost:
                // Whatever was being fetched is still queued on the server: connect again.
                if (!Reconnect(sftp)) return;
                break;
        }
    }
    if (sftp) Disconnect(sftp);
}

bool PrintQueueWorker::Reconnect(LibSshSftpPtr& sftp) {
    // A fetch cut by the request limit may be the document's fault, unless the network proves to
    // be gone: that is only known once the first new try has failed.
    const bool maybe_stall = fetching && bound.TimedOut();
    const QueueEntry stalled = handling;
    fetching = false;
    Disconnect(sftp);
    if (bound.StopRequested()) return false;
    Post(EVT_PRINTER_STATUS, "Reconnecting");
    if (!reconnecting) {
        reconnecting = true;
        reconnect_deadline = Deadline(reconnect_limit);
        reconnect_pause = kFirstReconnectPause;
    }
    for (bool first_try = true;; first_try = false) {
        if (reconnect_deadline.Passed()) break;
        if (!bound.Pause(std::min(reconnect_pause, reconnect_deadline.Left()))) return false;
        reconnect_pause = std::min(reconnect_pause * 2, kLongestReconnectPause);
        bound.ClearTimedOut();
        // The last try is bounded by what is left of the limit, though never below a second.
        ConnectFailure failure;
        sftp = Connect(std::clamp(reconnect_deadline.Left(), milliseconds{1000}, kConnectTimeout),
                       failure);
        if (sftp) {
            if (maybe_stall && first_try) NoteStall(stalled);
            return true;
        }
        if (bound.StopRequested()) return false;
        if (!failure.network) {
            Post(EVT_PRINT_FAILURE, failure.message);  // e.g. the password is no longer valid
            return false;
        }
    }
    Post(EVT_PRINT_FAILURE, "PRINTER connection failed");
    return false;
}

LibSshSftpPtr PrintQueueWorker::Connect(milliseconds timeout, ConnectFailure& failure) {
    have_listing = false;
    SshWatch watch;
    watch.stopped = [this] { return bound.StopRequested(); };
    watch.socket_named = [this](SocketHandle fd) {
        socket_fd = fd;
        bound.SetSocket(fd);
    };
    watch.call = [this, timeout](const std::function<int()>& run) {
        BoundCall call(bound, timeout);
        return run();
    };
    LibSshSessionPtr connection;
    try {
        connection = ConnectLibssh({server.host, server.port != 0 ? server.port : std::uint16_t{22},
                                    server.account, server.password, "", timeout},
                                   watch);
    } catch (const SshFailure& caught) {
        // The host key is deliberately not checked: the queue holds nothing but the user's own
        // print files, and the account's password is the credential.
        if (caught.step == SshStep::kAuthenticate) {
            failure = {"SFTP authentication failed", !caught.refused};
        } else {
            failure = {"PRINTER connection failed", true};
        }
        return nullptr;
    }
    // From here on the socket stays named until Disconnect.
    struct Unwatch {
        PrintQueueWorker& worker;
        bool armed = true;
        ~Unwatch() {
            if (armed) worker.bound.SetSocket(kNoSocket);
        }
    } unwatch{*this};
    int result = SSH_ERROR;
    auto candidate = std::make_shared<LibSshSftp>(connection);
    {
        BoundCall call(bound);
        result = *candidate ? sftp_init(candidate->get()) : SSH_ERROR;
    }
    if (result != SSH_OK) {
        // A server that refuses SFTP on a working connection will refuse it again.
        failure = {"SFTP initialisation failed",
                   bound.TimedOut() || ssh_is_connected(connection->get()) == 0};
        return nullptr;
    }
    unwatch.armed = false;
    LogStep("print queue logged in");
    Post(EVT_PRINTER_CONNECTED, "SFTP connected");
    return candidate;
}

void PrintQueueWorker::Disconnect(LibSshSftpPtr& sftp) {
    // A connection that is cut, stopped or not answering must not hold up its own release.
    if (Lost(sftp) && socket_fd != kNoSocket) ShutdownOnly(socket_fd);
    bound.SetSocket(kNoSocket);
    sftp.reset();
    socket_fd = kNoSocket;
}

bool PrintQueueWorker::QuietSinceListing(sftp_session session) {
    if (!have_listing || waiting) return false;
    if (listed_at < folder_time_seen_at + kFolderTimeResolution) return false;
    Attributes attributes;
    {
        BoundCall call(bound);
        attributes.reset(sftp_stat(session, folder.c_str()));
    }
    return attributes && (attributes->flags & SSH_FILEXFER_ATTR_ACMODTIME) != 0 &&
           attributes->mtime == listed_folder_mtime;
}

PrintQueueWorker::ScanResult PrintQueueWorker::List(const LibSshSftpPtr& sftp,
                                                    std::vector<QueueEntry>& documents) {
    sftp_session session = sftp->get();
    const auto started = std::chrono::steady_clock::now();
    std::string opened = kQueueFolder;
    sftp_dir dir = nullptr;
    {
        BoundCall call(bound);
        dir = sftp_opendir(session, opened.c_str());
    }
    if (dir == nullptr && !Lost(sftp)) {
        opened = server.account + kFallbackQueueFolder;
        BoundCall call(bound);
        dir = sftp_opendir(session, opened.c_str());
    }
    if (dir == nullptr) return Lost(sftp) ? ScanResult::ConnectionLost : ScanResult::NoFolder;
    folder = opened;

    bool folder_time_known = false;
    std::uint32_t folder_mtime = 0;
    std::vector<std::string> unresolved;  // links, and entries without a kind or a size
    std::size_t read = 0;
    for (;;) {
        // A listing that never ends must not hold the queue or grow without bound: the rest
        // waits for a later scan, when the documents before it are gone.
        if (++read > kMaxListingEntries) break;
        Attributes entry;
        {
            BoundCall call(bound);
            entry.reset(sftp_readdir(session, dir));
        }
        if (!entry) break;
        const std::string name = entry->name != nullptr ? entry->name : "";
        if (name == ".") {
            folder_time_known = (entry->flags & SSH_FILEXFER_ATTR_ACMODTIME) != 0;
            folder_mtime = entry->mtime;
            continue;
        }
        if (name.empty() || name == "..") continue;
        const EntryKind kind = KindOf(*entry);
        if (kind == EntryKind::Document && HasSize(*entry)) {
            documents.push_back(QueueEntry{name, FingerprintOf(*entry)});
        } else if (kind != EntryKind::Other) {
            unresolved.push_back(name);  // asked after the listing, by name
        }
    }
    const bool cut_short = read > kMaxListingEntries;
    const bool listed_to_end = cut_short || sftp_dir_eof(dir) != 0;
    bool closed = false;
    {
        BoundCall call(bound);
        closed = sftp_closedir(dir) == SSH_NO_ERROR;
    }
    if (!listed_to_end || !closed) {
        return Lost(sftp) ? ScanResult::ConnectionLost : ScanResult::ListingFailed;
    }
    for (const std::string& name : unresolved) {
        const std::optional<DocumentFingerprint> reading = ReadDocument(session, folder + name);
        if (reading) documents.push_back(QueueEntry{name, *reading});
    }
    if (Lost(sftp)) return ScanResult::ConnectionLost;
    // The folder held this time at the latest when its listing was read.
    if (!have_listing || folder_mtime != listed_folder_mtime) {
        folder_time_seen_at = std::chrono::steady_clock::now();
    }
    have_listing = folder_time_known && !cut_short;
    listed_folder_mtime = folder_mtime;
    listed_at = started;
    return ScanResult::Completed;
}

std::optional<DocumentFingerprint> PrintQueueWorker::ReadDocument(sftp_session session,
                                                                  const std::string& path,
                                                                  bool finishing) {
    // Following a link, as opening the name would.
    const Attributes named(
        Marked(bound, finishing, [&] { return sftp_stat(session, path.c_str()); }));
    if (!named) return std::nullopt;
    if (!MayBeDocument(*named)) return std::nullopt;
    if (HasSize(*named)) return FingerprintOf(*named);
    // No size by name: the open file's, as the download will see it. Taken as 0 it would copy
    // nothing and delete the document.
    sftp_file file =
        Marked(bound, finishing, [&] { return sftp_open(session, path.c_str(), O_RDONLY, 0); });
    if (file == nullptr) return std::nullopt;
    const Attributes opened(Marked(bound, finishing, [&] { return sftp_fstat(file); }));
    Marked(bound, finishing, [&] { return sftp_close(file); });
    if (!opened || !MayBeDocument(*opened) || !HasSize(*opened)) return std::nullopt;
    return FingerprintOf(*opened);
}

std::vector<QueueEntry> PrintQueueWorker::Candidates(sftp_session session,
                                                     const std::vector<QueueEntry>& all) {
    std::vector<QueueEntry> candidates;
    for (const QueueEntry& entry : all) {
        const std::string path = folder + entry.name;
        const std::string key = Key(path);
        if (PrintedButQueued().Holds(key, entry.reading)) {
            BoundCall call(bound);
            if (sftp_unlink(session, path.c_str()) == SSH_NO_ERROR) PrintedButQueued().Forget(key);
            continue;
        }
        const auto stalled = stalls.find(entry.name);
        if (stalled != stalls.end() && stalled->second.reading == entry.reading &&
            stalled->second.count >= kStallsBeforePassingOver) {
            continue;
        }
        if (entry.reading.size > kMaxDocumentBytes) {
            if (RefusedDocuments().Remember(key, entry.reading)) {
                Post(EVT_PRINT_FAILURE,
                     "\"" + entry.name + "\" in the print queue is larger than " +
                         kMaxDocumentText + "; it is not printed and stays in the print queue.");
            }
            continue;
        }
        candidates.push_back(entry);
    }
    return candidates;
}

PrintQueueWorker::ScanResult PrintQueueWorker::Scan(const LibSshSftpPtr& sftp) {
    sftp_session session = sftp->get();
    if (QuietSinceListing(session)) return ScanResult::Completed;
    if (Lost(sftp)) return ScanResult::ConnectionLost;

    std::vector<QueueEntry> all;
    const ScanResult listed = List(sftp, all);
    if (listed != ScanResult::Completed) return listed;
    const std::vector<QueueEntry> candidates = Candidates(session, all);
    if (Lost(sftp)) return ScanResult::ConnectionLost;

    const SettleWatch::Result judged = watch.Take(candidates);
    waiting = judged.waiting;
    for (std::size_t i = 0; i < judged.new_names.size(); ++i) {
        Post(EVT_PRINTER_STATUS, "Waiting for file");
    }
    ScanResult result = ScanResult::Completed;
    for (const QueueEntry& entry : judged.settled) {
        // The server keeps the document until there is room for it here.
        if (bound.StopRequested() || (backlog && !backlog->WaitForRoom(bound.StopSignalled()))) {
            result = ScanResult::Stopped;
            break;
        }
        handling = entry;
        fetching = true;
        const FileResult handled = HandleFile(sftp, entry);
        if (handled != FileResult::ConnectionLost) fetching = false;
        if (handled == FileResult::Skipped) have_listing = false;  // look again next scan
        if (handled == FileResult::Stopped) result = ScanResult::Stopped;
        if (handled == FileResult::ConnectionLost) result = ScanResult::ConnectionLost;
        if (result != ScanResult::Completed) break;
    }
    ReportKeptDocuments();
    return result;
}

void PrintQueueWorker::NoteStall(const QueueEntry& entry) {
    if (stalls.size() >= kMaxStalls && stalls.count(entry.name) == 0) stalls.clear();
    Stall& stall = stalls[entry.name];
    if (!(stall.reading == entry.reading)) stall = Stall{entry.reading, 0};
    if (++stall.count == kStallsBeforePassingOver) {
        Post(EVT_PRINT_FAILURE, "The print server stopped answering while \"" + entry.name +
                                    "\" was fetched; it is passed over and stays in the print "
                                    "queue.");
    }
}

void PrintQueueWorker::ReportKeptDocuments() {
    if (kept_names.empty()) return;
    const bool one = kept_names.size() == 1;
    Post(EVT_PRINT_FAILURE, "The print server did not remove " + Quoted(kept_names) +
                                " from the print queue; " + (one ? "it is" : "they are") +
                                " printed once and not again.");
    kept_names.clear();
}

PrintQueueWorker::FileResult PrintQueueWorker::HandleFile(const LibSshSftpPtr& sftp,
                                                          const QueueEntry& entry) {
    sftp_session session = sftp->get();
    const std::string path = folder + entry.name;
    const auto lost_or = [&](FileResult otherwise) {
        return Lost(sftp) ? FileResult::ConnectionLost : otherwise;
    };
    sftp_file remote = nullptr;
    {
        BoundCall call(bound);
        remote = sftp_open(session, path.c_str(), O_RDONLY, 0);
    }
    if (remote == nullptr) return lost_or(FileResult::Skipped);  // tried again next scan
    const auto close_remote = [&](bool finishing = false) {
        Marked(bound, finishing, [&] { return sftp_close(remote); });
    };
    Attributes opened;
    {
        BoundCall call(bound);
        opened.reset(sftp_fstat(remote));
    }
    // What was opened must be the document that settled: the name may have been given to
    // something else since the listing.
    if (!opened || !MayBeDocument(*opened) || !HasSize(*opened) ||
        !(FingerprintOf(*opened) == entry.reading)) {
        close_remote();
        if (opened) watch.Unsettle(entry.name);
        return lost_or(FileResult::Skipped);
    }

    const wxString temp_folder = wxStandardPaths::Get().GetTempDir();
    wxFile local;
    const wxString local_path = CreateTempFileKeptFromChildren(temp_folder, local);
    if (local_path.empty()) {
        close_remote();
        watch.Unsettle(entry.name);  // not again at once: a local problem rarely goes so fast
        ReportLocalFailureOnce("A print file could not be saved in the temporary folder " +
                               ToLocaleBytes(temp_folder) + "; it stays in the print queue.");
        return FileResult::Skipped;
    }

    Post(EVT_PRINTER_STATUS, "Downloading");
    DownloadOutcome outcome = DownloadOutcome::ReadFailed;
    {
        BoundCall call(bound);
        outcome = DownloadPipelined(
            remote, entry.reading.size,
            [&](const char* data, std::size_t size) {
                bound.Begin();  // progress: the limit counts from the last piece
                return local.Write(data, size) == size;
            },
            [&] { return bound.StopRequested(); });
    }
    // Closed, not synced to the disk (wxFile::Flush is an fsync): the copy is printed within
    // seconds, and a sync per document cost more than its download.
    const bool saved = outcome == DownloadOutcome::Complete && local.Close();
    // Once the copy is whole, a stop must not cut the steps that finish its taking: the
    // document would be printed here and stay queued for the next session too.
    close_remote(saved);
    if (!saved) {
        // Only a complete copy is a document; the original stays queued for another try.
        local.Close();
        wxRemoveFile(local_path);
        if (outcome == DownloadOutcome::Stopped) return FileResult::Stopped;
        if (outcome == DownloadOutcome::ReadFailed) return lost_or(FileResult::Skipped);
        if (outcome == DownloadOutcome::Shorter) {
            watch.Unsettle(entry.name);
            return lost_or(FileResult::Skipped);
        }
        watch.Unsettle(entry.name);
        ReportLocalFailureOnce("A print file could not be written to the temporary folder " +
                               ToLocaleBytes(temp_folder) + "; it stays in the print queue.");
        return FileResult::Skipped;
    }
    local_failure_reported = false;

    LogStep("document fetched: " + LogName(entry.name) + ", " + std::to_string(entry.reading.size) +
            " bytes, as " + ToLocaleBytes(local_path));
    const FileResult deleted = DeleteCopied(sftp, entry);
    if (backlog) backlog->Add();  // before the GUI thread can hear of it and remove it
    QueuePrintFile(sink, local_path, entry.name);
    return deleted;
}

PrintQueueWorker::FileResult PrintQueueWorker::DeleteCopied(const LibSshSftpPtr& sftp,
                                                            const QueueEntry& entry) {
    sftp_session session = sftp->get();
    const std::string path = folder + entry.name;
    // A stop now would leave a printed document queued: let the delete finish if it is quick.
    const std::optional<DocumentFingerprint> now = ReadDocument(session, path, true);
    if (!now) {
        if (!Lost(sftp)) return FileResult::Handled;  // gone already, or no document now
        PrintedButQueued().Remember(Key(path), entry.reading);
        return FileResult::ConnectionLost;
    }
    // A new document under the same name is left for its own turn.
    if (!(*now == entry.reading)) return FileResult::Handled;
    int result = SSH_ERROR;
    {
        FinishingCall call(bound);
        result = sftp_unlink(session, path.c_str());
    }
    if (result == SSH_NO_ERROR) return FileResult::Handled;
    // Deleted or not, it is printed now: never again while it stays as it is.
    const bool first_time = PrintedButQueued().Remember(Key(path), entry.reading);
    if (Lost(sftp)) return FileResult::ConnectionLost;
    if (first_time) kept_names.push_back(entry.name);
    return FileResult::Handled;
}
