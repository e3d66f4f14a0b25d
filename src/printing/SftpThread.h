#pragma once

#include <wx/event.h>
#include <wx/thread.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "printing/PrintQueueWorker.h"
#include "printing/RequestBound.h"

// Empties the user's print queue folder on the print-queue server: waits until the queued
// files stop growing, downloads each into a new local temporary file, deletes it on the server
// and hands the local path to the sink (EVT_PRINT_FILE). Status and failures travel as events
// too. Detached: it deletes itself when Entry returns; a stop request (worker_registry, or
// Delete() where that cannot block) is answered within a second whatever the server does.
class SftpThread : public wxThread {
  public:
    // account: the folder-safe account name (SSH user and fallback folder name).
    // port 0 keeps the SSH library's default.
    SftpThread(wxEvtHandler* sink, const std::string& account, const std::string& password,
               const std::string& host, std::uint16_t port);
    ~SftpThread() override;

    // How long a request may go unanswered before the connection is given up and made again.
    // Before Run().
    void SetRequestTimeout(std::chrono::milliseconds timeout) { bound.SetLimit(timeout); }
    // How long a lost connection is tried again before printing is given up. Before Run().
    void SetReconnectLimit(std::chrono::milliseconds limit) { reconnect_limit = limit; }
    // The documents taken and not yet through printing; none: taken as fast as they settle.
    // Before Run().
    void SetBacklog(std::shared_ptr<PrintBacklog> documents) { backlog = std::move(documents); }

  protected:
    ExitCode Entry() override;
    // Delete() reaches the work at once, whatever it waits in.
    void OnDelete() override { bound.RequestStop(); }

  private:
    wxEvtHandler* sink;
    PrintQueueServer server;
    RequestBound bound{std::chrono::seconds(10)};
    std::chrono::milliseconds reconnect_limit{PrintQueueWorker::kDefaultReconnectLimit};
    std::shared_ptr<PrintBacklog> backlog;
};

// The thread for a login, not yet started: the account is the folder-safe user name, and the
// server is the deployment's print queue; it takes documents as backlog has room for them.
SftpThread* CreateSftpThread(wxEvtHandler* sink, const std::string& username,
                             const std::string& password, std::shared_ptr<PrintBacklog> backlog);
