#include "printing/SftpThread.h"

#include <fcntl.h>
#include <libssh/sftp.h>
#include <wx/file.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/stdpaths.h>

#include <algorithm>
#include <memory>

#include "app/records/Events.h"
#include "app/records/WorkerRegistry.h"
#include "config/Deployment.h"
#include "printing/FolderSafeName.h"
#include "printing/SftpDownload.h"

namespace {
const char* const kQueueFolder = ".mirlprinting/";
const char* const kFallbackQueueFolder = "/.mirlprinting/";  // after the account name
constexpr long kConnectTimeoutSeconds = 30;
constexpr int kScanPauseMs = 100;
constexpr int kSizeReadingIntervalMs = 500;
constexpr int kStopCheckSliceMs = 50;
constexpr int kReconnectPauseMs = 1000;
// Connection losses in a row, without a complete scan between them, before giving up.
constexpr int kReconnectAttempts = 3;

struct AttributesDeleter {
    void operator()(sftp_attributes attributes) const { sftp_attributes_free(attributes); }
};
using Attributes = std::unique_ptr<sftp_attributes_struct, AttributesDeleter>;
}  // namespace

SftpThread::SftpThread(wxEvtHandler* sink_, const std::string& account_,
                       const std::string& password_, const std::string& host_, std::uint16_t port_)
    : wxThread(wxTHREAD_DETACHED),
      sink(sink_),
      account(account_),
      password(password_),
      host(host_),
      port(port_) {
    worker_registry::Add(this);
}

SftpThread::~SftpThread() {
    worker_registry::Remove(this);  // from now on a stop request leaves this object alone
    Post(EVT_PRINTER_FINISHED, "SFTP thread finished");
}

void SftpThread::Post(wxEventType type, const std::string& text) {
    QueueThreadEvent(sink, type, text);
}

void SftpThread::ReportLocalFailureOnce(const std::string& text) {
    if (local_failure_reported) return;
    local_failure_reported = true;
    Post(EVT_PRINT_FAILURE, text);
}

bool SftpThread::Connected(const LibSshSftpPtr& sftp) const {
    return ssh_is_connected(sftp->get()->session) != 0;
}

bool SftpThread::PauseUnlessStopped(int milliseconds) {
    for (int waited = 0; waited < milliseconds; waited += kStopCheckSliceMs) {
        if (TestDestroy()) return false;
        Sleep(static_cast<unsigned long>(std::min(kStopCheckSliceMs, milliseconds - waited)));
    }
    return !TestDestroy();
}

wxThread::ExitCode SftpThread::Entry() {
    LibSshSftpPtr sftp = Connect();
    int losses = 0;
    while (sftp && !TestDestroy()) {
        switch (Scan(sftp)) {
            case ScanResult::Completed:
                losses = 0;
                if (!PauseUnlessStopped(kScanPauseMs)) return nullptr;
                break;
            case ScanResult::NoFolder:
                if (!PauseUnlessStopped(kScanPauseMs)) return nullptr;
                break;
            case ScanResult::Stopped:
            case ScanResult::ListingFailed:
                return nullptr;
            case ScanResult::ConnectionLost:
                // Whatever was being fetched is still queued on the server: connect again.
                sftp.reset();
                if (++losses > kReconnectAttempts) {
                    Post(EVT_PRINT_FAILURE, "PRINTER connection failed");
                    return nullptr;
                }
                if (!PauseUnlessStopped(kReconnectPauseMs)) return nullptr;
                sftp = Connect();
                break;
        }
    }
    return nullptr;
}

LibSshSftpPtr SftpThread::Connect() {
    auto connection = std::make_shared<LibSshSession>();
    if (!*connection) return nullptr;
    ssh_session session = connection->get();
    const long timeout = kConnectTimeoutSeconds;
    const int no_delay = 1;        // small SFTP requests must not wait for Nagle
    const int process_config = 0;  // everything the client needs is built in
    ssh_options_set(session, SSH_OPTIONS_HOST, host.c_str());
    ssh_options_set(session, SSH_OPTIONS_USER, account.c_str());
    ssh_options_set(session, SSH_OPTIONS_TIMEOUT, &timeout);
    ssh_options_set(session, SSH_OPTIONS_NODELAY, &no_delay);
    ssh_options_set(session, SSH_OPTIONS_PROCESS_CONFIG, &process_config);
    if (port != 0) {
        const unsigned int port_number = port;
        ssh_options_set(session, SSH_OPTIONS_PORT, &port_number);
    }
    if (ssh_connect(session) != SSH_OK) {
        Post(EVT_PRINT_FAILURE, "PRINTER connection failed");
        return nullptr;
    }
    // The host key is deliberately not checked: the queue holds nothing but the user's own
    // print files, and the account's password is the credential.
    if (ssh_userauth_password(session, nullptr, password.c_str()) != SSH_AUTH_SUCCESS) {
        Post(EVT_PRINT_FAILURE, "SFTP authentication failed");
        return nullptr;
    }
    auto sftp = std::make_shared<LibSshSftp>(connection);
    if (!*sftp || sftp_init(sftp->get()) != SSH_OK) {
        Post(EVT_PRINT_FAILURE, "SFTP initialisation failed");
        return nullptr;
    }
    Post(EVT_PRINTER_CONNECTED, "SFTP connected");
    return sftp;
}

SftpThread::ScanResult SftpThread::Scan(const LibSshSftpPtr& sftp) {
    sftp_session session = sftp->get();
    std::string folder = kQueueFolder;
    sftp_dir dir = sftp_opendir(session, folder.c_str());
    if (dir == nullptr) {
        folder = account + kFallbackQueueFolder;
        dir = sftp_opendir(session, folder.c_str());
    }
    if (dir == nullptr) return Connected(sftp) ? ScanResult::NoFolder : ScanResult::ConnectionLost;

    while (Attributes entry{sftp_readdir(session, dir)}) {
        const std::string name = entry->name != nullptr ? entry->name : "";
        if (name.empty() || name == "." || name == ".." ||
            entry->type == SSH_FILEXFER_TYPE_DIRECTORY) {
            continue;
        }
        if (TestDestroy()) {
            sftp_closedir(dir);
            return ScanResult::Stopped;
        }
        const FileResult result = HandleFile(sftp, folder, entry.get());
        if (result == FileResult::Stopped) {
            sftp_closedir(dir);
            return ScanResult::Stopped;
        }
        if (result == FileResult::ConnectionLost) {
            sftp_closedir(dir);
            return ScanResult::ConnectionLost;
        }
    }
    const bool listed_to_end = sftp_dir_eof(dir) != 0;
    const bool closed = sftp_closedir(dir) == SSH_NO_ERROR;
    if (listed_to_end && closed) return ScanResult::Completed;
    return Connected(sftp) ? ScanResult::ListingFailed : ScanResult::ConnectionLost;
}

bool SftpThread::AlreadyPrinted(sftp_session session, const std::string& path,
                                sftp_attributes entry) {
    const auto found = printed_but_queued.find(path);
    if (found == printed_but_queued.end()) return false;
    if (found->second.size != entry->size || found->second.mtime != entry->mtime) {
        printed_but_queued.erase(found);  // a new document under the same name
        return false;
    }
    if (sftp_unlink(session, path.c_str()) == SSH_NO_ERROR) printed_but_queued.erase(found);
    return true;
}

bool SftpThread::WaitUntilSettled(sftp_file file, Fingerprint& settled, bool& stopped) {
    stopped = false;
    bool have_previous = false;
    std::uint64_t previous = 0;
    for (;;) {
        if (!PauseUnlessStopped(kSizeReadingIntervalMs)) {
            stopped = true;
            return false;
        }
        const Attributes attributes{sftp_fstat(file)};
        if (!attributes) return false;
        if (have_previous && attributes->size == previous) {
            settled = Fingerprint{attributes->size, attributes->mtime};
            return true;
        }
        previous = attributes->size;
        have_previous = true;
    }
}

SftpThread::FileResult SftpThread::HandleFile(const LibSshSftpPtr& sftp, const std::string& folder,
                                              sftp_attributes entry) {
    sftp_session session = sftp->get();
    const std::string name = entry->name;
    const std::string path = folder + name;
    const auto lost_or = [&](FileResult otherwise) {
        return Connected(sftp) ? otherwise : FileResult::ConnectionLost;
    };
    if (AlreadyPrinted(session, path, entry)) return FileResult::Skipped;

    sftp_file remote = sftp_open(session, path.c_str(), O_RDONLY, 0);
    if (remote == nullptr) return lost_or(FileResult::Skipped);  // tried again next scan
    Post(EVT_PRINTER_STATUS, "Waiting for file");

    Fingerprint settled{};
    bool stopped = false;
    if (!WaitUntilSettled(remote, settled, stopped)) {
        sftp_close(remote);
        return stopped ? FileResult::Stopped : lost_or(FileResult::Skipped);
    }

    const wxString temp_folder = wxStandardPaths::Get().GetTempDir();
    wxFile local;
    const wxString local_path = wxFileName::CreateTempFileName(temp_folder + "/", &local);
    if (local_path.empty()) {
        sftp_close(remote);
        ReportLocalFailureOnce("A print file could not be saved in the temporary folder " +
                               std::string(temp_folder.mb_str()) +
                               "; it stays in the print queue.");
        return FileResult::Skipped;
    }

    Post(EVT_PRINTER_STATUS, "Downloading");
    const DownloadOutcome outcome = DownloadPipelined(
        remote, [&](const char* data, std::size_t size) { return local.Write(data, size) == size; },
        [&] { return TestDestroy(); });
    const bool saved = outcome == DownloadOutcome::Complete && local.Flush() && local.Close();
    sftp_close(remote);
    if (!saved) {
        // Only a complete copy is a document; the original stays queued for another try.
        local.Close();
        wxRemoveFile(local_path);
        if (outcome == DownloadOutcome::Stopped) return FileResult::Stopped;
        if (outcome == DownloadOutcome::ReadFailed) return lost_or(FileResult::Skipped);
        ReportLocalFailureOnce("A print file could not be written to the temporary folder " +
                               std::string(temp_folder.mb_str()) +
                               "; it stays in the print queue.");
        return FileResult::Skipped;
    }
    local_failure_reported = false;

    const bool deleted = sftp_unlink(session, path.c_str()) == SSH_NO_ERROR;
    if (!deleted) printed_but_queued[path] = settled;
    QueueThreadEvent(sink, EVT_PRINT_FILE, local_path);
    if (deleted) return FileResult::Handled;
    if (!Connected(sftp)) return FileResult::ConnectionLost;  // deleted or not, it is printed
    Post(EVT_PRINT_FAILURE, "The print server did not remove \"" + name +
                                "\" from the print queue; it is printed once and not again.");
    return FileResult::Handled;
}

SftpThread* CreateSftpThread(wxEvtHandler* sink, const std::string& username,
                             const std::string& password) {
    const Deployment& deployment = BuiltInDeployment();
    return new SftpThread(sink, FolderSafeName(username), password, deployment.print_queue_host,
                          deployment.print_queue_port);
}
