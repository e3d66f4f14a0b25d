#pragma once

#include <wx/event.h>
#include <wx/thread.h>

#include <cstdint>
#include <map>
#include <string>

#include "printing/LibSshSftp.h"

// Empties the user's print queue folder on the print-queue server: waits until each queued file
// stops growing, downloads it into a new local temporary file, deletes it on the server and
// hands the local path to the sink (EVT_PRINT_FILE). Status and failures travel as events too.
// Detached: it deletes itself when Entry returns; stop it with Delete().
class SftpThread : public wxThread {
  public:
    // account: the folder-safe account name (SSH user and fallback folder name).
    // port 0 keeps the SSH library's default.
    SftpThread(wxEvtHandler* sink, const std::string& account, const std::string& password,
               const std::string& host, std::uint16_t port);
    ~SftpThread() override;

  protected:
    ExitCode Entry() override;

  private:
    struct Fingerprint {
        std::uint64_t size;
        std::uint32_t mtime;
    };
    enum class ScanResult { Completed, NoFolder, ListingFailed, ConnectionLost, Stopped };
    enum class FileResult { Handled, Skipped, ConnectionLost, Stopped };

    LibSshSftpPtr Connect();
    ScanResult Scan(const LibSshSftpPtr& sftp);
    FileResult HandleFile(const LibSshSftpPtr& sftp, const std::string& folder,
                          sftp_attributes entry);
    // Reads the size every 500 ms until two readings agree. False when the size cannot be read
    // (stopped stays false) or a stop was asked for (stopped is set).
    bool WaitUntilSettled(sftp_file file, Fingerprint& settled, bool& stopped);
    // True for a file that was printed but is still queued (the server kept it); tries to
    // delete it again.
    bool AlreadyPrinted(sftp_session session, const std::string& path, sftp_attributes entry);
    // Sleeps in short slices; false when a stop was asked for meanwhile.
    bool PauseUnlessStopped(int milliseconds);
    void Post(wxEventType type, const std::string& text);
    void ReportLocalFailureOnce(const std::string& text);
    bool Connected(const LibSshSftpPtr& sftp) const;

    wxEvtHandler* sink;
    std::string account;
    std::string password;
    std::string host;
    std::uint16_t port;
    // Files printed once that are still queued because the server would not delete them (or
    // the connection ended during the delete): not printed again while their size and
    // modification time stay the same.
    std::map<std::string, Fingerprint> printed_but_queued;
    // A local saving problem is told once, not on every scan, until a file goes through again.
    bool local_failure_reported = false;
};

// The thread for a login, not yet started: the account is the folder-safe user name, and the
// server is the deployment's print queue.
SftpThread* CreateSftpThread(wxEvtHandler* sink, const std::string& username,
                             const std::string& password);
