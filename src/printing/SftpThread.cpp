#include "printing/SftpThread.h"

#include <future>
#include <system_error>
#include <utility>

#include "config/Deployment.h"
#include "printing/FolderSafeName.h"
#include "printing/RequestBound.h"
#include "records/Events.h"
#include "records/WorkerRegistry.h"

SftpThread::SftpThread(wxEvtHandler* sink_, const std::string& account, const std::string& password,
                       const std::string& host, std::uint16_t port)
    : wxThread(wxTHREAD_DETACHED), sink(sink_), server{account, password, host, port} {
    worker_registry::Add(this, [this] { bound.RequestStop(); });
}

SftpThread::~SftpThread() {
    worker_registry::Remove(this);  // from now on a stop request leaves this object alone
    QueueThreadEvent(sink, EVT_PRINTER_FINISHED, std::string("SFTP thread finished"));
}

// The work runs on a second thread while this one supervises it: a call blocked inside the SSH
// library can only be ended from outside. The work has ended, and posts nothing more, when
// Entry returns.
wxThread::ExitCode SftpThread::Entry() {
    PrintQueueWorker worker(sink, server, bound);
    worker.SetReconnectLimit(reconnect_limit);
    worker.SetBacklog(backlog);
    std::future<void> done;
    try {
        done = std::async(std::launch::async, [this, &worker] {
            struct Finished {
                RequestBound& bound;
                ~Finished() { bound.Finish(); }
            } finished{bound};
            worker.Run();
        });
    } catch (const std::system_error&) {
        worker.Run();  // no second thread to be had: work unwatched rather than not at all
        return nullptr;
    }
    bound.Supervise();
    done.get();
    return nullptr;
}

SftpThread* CreateSftpThread(wxEvtHandler* sink, const std::string& username,
                             const std::string& password, std::shared_ptr<PrintBacklog> backlog) {
    const Deployment& deployment = BuiltInDeployment();
    auto* thread = new SftpThread(sink, FolderSafeName(username), password,
                                  deployment.print_queue_host, deployment.print_queue_port);
    thread->SetBacklog(std::move(backlog));
    return thread;
}
