#pragma once

#include <wx/app.h>

#include <memory>
#include <string>

#include "app/Retirement.h"
#include "records/Events.h"
#include "ui/MirlNxFrame.h"

class DocumentNotices;
class HeldCommand;
class MirlNxProcess;
class PrintBacklog;
class PrintFailureNotices;
class PrintJobTurns;
class OpensshProcess;
class TemporaryKeyFile;
class SftpThread;
class SshTunnel;
struct ProgramStart;

// The application object: owns the state of the one desktop connection, receives every event
// of the workers and child programs on the GUI thread, and alone drives the window's button
// and status labels.
class MirlNxApp : public wxApp, public FrameOwner {
  public:
    MirlNxApp();
    ~MirlNxApp() override;

    bool OnInit() override;

    // Entry points of the main window.
    void Connect(const std::string& user_id, const std::string& password) override;
    void Shutdown() override;

    // Machine identity that goes into every login. Virtual so tests can stand in for a
    // machine without one.
    virtual std::string GetHardwareKey() const;
    std::string GetClientVersion() const;
    int GetColourDepth() const;
    std::string GetProtocol() const;
    std::string GetBranding() const;

    MirlNxFrame* GetFrame() const { return frame; }

  private:
    friend class MirlNxAppInspector;  // tests read the process and worker members

    // Connection controller.
    bool StartLogin(const std::string& user_id, const std::string& password);
    bool KillProcesses();
    void StopPrinterThread();
    void StopTunnel();
    void ReleaseTunnel();
    // Asks the worker or program to end and hands it to `retired`; the member becomes null.
    template <typename Worker>
    void RetireWorker(Worker*& worker, const char* name);
    template <typename Process>
    void RetireProgram(Process*& process, std::shared_ptr<void> kept = nullptr);
    bool HoldsWorkersOrPrograms();
    void ShowIdle();
    void AbandonSession(const std::string& message);
    MirlNxProcess* StartProgram(const ProgramStart& start, wxEventType end_event);

    void OnLoginFailure(wxThreadEvent& event);
    void OnLoginSuccess(wxThreadEvent& event);
    void OnSessionFailure(wxThreadEvent& event);
    void OnTunnelFinished(wxThreadEvent& event);
    void OnViewerEnd(wxCommandEvent& event);
    void OnPrinterConnected(wxThreadEvent& event);
    void OnPrinterStatus(wxThreadEvent& event);
    void OnPrinterFinished(wxThreadEvent& event);
    void OnPrintFailure(wxThreadEvent& event);

    // Viewer launch and drive mapping.
    void OnSessionReady(wxThreadEvent& event);
    void OnMapDrives(wxThreadEvent& event);
    void OnXServerEnd(wxCommandEvent& event);
    void OnSshEnd(wxCommandEvent& event);

    // Printing.
    void OnPrintFile(wxThreadEvent& event);
    void OnPrintJobEnd(wxCommandEvent& event);
    bool StartPrinting(const wxString& file);
    // Where the print queues count the documents they took; made at the first queue.
    std::shared_ptr<PrintBacklog> DocumentBacklog();
    // The document is through the client: printed, or kept for the user.
    void DocumentDone();
    // At exit: the documents that did not get their turn are kept and told of.
    void KeepWaitingDocuments();

    // Update notice.
    void OnUpdateAvailable(wxThreadEvent& event);
    void StartUpdateCheck();

    template <typename Wire>
    void WireHandlers(Wire wire);
    void BindHandlers();
    void UnbindHandlers();
    static void ShowMessage(const std::string& caption, const std::string& message);
    void OnEndSession(wxCloseEvent& event);

    MirlNxProcess* viewer_process = nullptr;
    MirlNxProcess* xserver_process = nullptr;
    MirlNxProcess* ssh_process = nullptr;
    TunnelHandles tunnel;
    SftpThread* printer_thread = nullptr;
    MirlNxFrame* frame = nullptr;
    std::unique_ptr<TemporaryKeyFile> ssh_key;  // the tunnel key of the forwarding ssh
    // Unmaps the drives once the forwarding that carries them ends, or the client does.
    std::unique_ptr<HeldCommand> drive_unmap;
    bool webdav_forwarded = false;  // this session's forwarding ssh carries the WebDAV drive
    std::unique_ptr<PrintJobTurns> print_turns;           // made at the first document
    std::shared_ptr<PrintBacklog> print_backlog;          // shared with the print queues
    std::unique_ptr<PrintFailureNotices> print_failures;  // made at the first failure
    std::unique_ptr<DocumentNotices> document_notices;    // made at the first document
    Retirement retired;  // earlier sessions' programs and workers that have not ended yet

    wxDECLARE_EVENT_TABLE();
};
