#pragma once

#include <libssh/sftp.h>
#include <wx/event.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Deadline.h"
#include "printing/LibSshSftp.h"
#include "printing/PrintBacklog.h"
#include "printing/QueueMemory.h"
#include "printing/RequestBound.h"
#include "printing/SettleWatch.h"

struct PrintQueueServer {
    std::string account;  // folder-safe account name: SSH user and fallback folder name
    std::string password;
    std::string host;
    std::uint16_t port = 0;  // 0: the SSH default
};

// The body of the print queue thread: connects, then lists the queue folder over and over and
// fetches every document that stopped changing. Every call to the server runs under `bound`,
// which another thread uses to cut a call that takes too long or to stop the work at once.
class PrintQueueWorker {
  public:
    // Long enough to bridge a dropped wireless link or a router's restart.
    static constexpr std::chrono::minutes kDefaultReconnectLimit{5};

    PrintQueueWorker(wxEvtHandler* sink, PrintQueueServer server, RequestBound& bound);
    // How long a connection that was lost is tried again before printing is given up. Before
    // Run().
    void SetReconnectLimit(std::chrono::milliseconds limit) { reconnect_limit = limit; }
    // Documents are taken off the server only while the backlog has room; without one, as fast
    // as they settle. Before Run().
    void SetBacklog(std::shared_ptr<PrintBacklog> documents) { backlog = std::move(documents); }
    void Run();

  private:
    enum class ScanResult { Completed, NoFolder, ListingFailed, ConnectionLost, Stopped };
    enum class FileResult { Handled, Skipped, ConnectionLost, Stopped };

    // Why a connection did not come up: the message for the user, and whether the network may
    // be to blame (nothing answered, or the connection broke on the way), so that trying again
    // after a drop makes sense.
    struct ConnectFailure {
        std::string message;
        bool network = false;
    };
    LibSshSftpPtr Connect(std::chrono::milliseconds timeout, ConnectFailure& failure);
    // After a lost connection: tries again with growing pauses. False at a stop, a refusal that
    // will not change, or the reconnect limit; the last two are reported.
    bool Reconnect(LibSshSftpPtr& sftp);
    void Disconnect(LibSshSftpPtr& sftp);
    ScanResult Scan(const LibSshSftpPtr& sftp);
    // True when the folder is unchanged since a listing and nothing in it waits: no listing
    // needed.
    bool QuietSinceListing(sftp_session session);
    ScanResult List(const LibSshSftpPtr& sftp, std::vector<QueueEntry>& documents);
    // Leaves out what is not to be fetched: documents printed before that the server kept
    // (their delete is tried again), and documents over the size limit (told once).
    std::vector<QueueEntry> Candidates(sftp_session session, const std::vector<QueueEntry>& all);
    // The reading of what the name holds after following a link, if that is a document (or a
    // file of a server that tells no kinds); the size comes from the open file when the server
    // gives none by name. finishing: the calls complete work already done (see DeleteCopied).
    std::optional<DocumentFingerprint> ReadDocument(sftp_session session, const std::string& path,
                                                    bool finishing = false);
    FileResult HandleFile(const LibSshSftpPtr& sftp, const QueueEntry& entry);
    // Deletes the document only if the name still holds what was copied; one the server keeps
    // is remembered as printed.
    FileResult DeleteCopied(const LibSshSftpPtr& sftp, const QueueEntry& entry);
    void ReportKeptDocuments();
    // The server stopped answering while the document was fetched.
    void NoteStall(const QueueEntry& entry);
    bool Lost(const LibSshSftpPtr& sftp) const;
    std::string Key(const std::string& path) const;
    void Post(wxEventType type, const std::string& text);
    void ReportLocalFailureOnce(const std::string& text);

    wxEvtHandler* sink;
    PrintQueueServer server;
    RequestBound& bound;
    std::shared_ptr<PrintBacklog> backlog;

    std::chrono::milliseconds reconnect_limit{kDefaultReconnectLimit};
    // Set while connections keep failing or breaking before a scan gets through: the pause
    // grows, and the limit counts from the first loss.
    bool reconnecting = false;
    Deadline reconnect_deadline{Deadline::Clock::duration::zero()};
    std::chrono::milliseconds reconnect_pause{};

    SocketHandle socket_fd = kNoSocket;
    std::string folder;  // the queue folder that opened last, with a trailing "/"
    SettleWatch watch;
    bool waiting = false;  // the last listing saw documents still changing
    bool have_listing = false;
    std::uint32_t listed_folder_mtime = 0;
    std::chrono::steady_clock::time_point listed_at{};  // when the last full listing started
    // When listed_folder_mtime was first seen.
    std::chrono::steady_clock::time_point folder_time_seen_at{};
    std::vector<std::string> kept_names;  // kept by the server during this scan
    // A document whose fetch made the server stop answering is passed over after the second
    // time, so it cannot hold up the documents behind it.
    struct Stall {
        DocumentFingerprint reading;
        int count = 0;
    };
    std::map<std::string, Stall> stalls;
    QueueEntry handling;  // the document being fetched, while fetching
    bool fetching = false;
    // A local saving problem is told once, not on every scan, until a file goes through again.
    bool local_failure_reported = false;
};
