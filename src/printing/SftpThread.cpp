#include "printing/SftpThread.h"

#include <future>
#include <system_error>

#include "app/records/Events.h"
#include "app/records/WorkerRegistry.h"
#include "config/Deployment.h"
#include "printing/FolderSafeName.h"
#include "printing/RequestBound.h"

namespace {
// How often the stop request and the time limit of the running request are looked at.
constexpr std::chrono::milliseconds kWatchInterval{50};
}  // namespace

SftpThread::SftpThread(wxEvtHandler* sink_, const std::string& account, const std::string& password,
                       const std::string& host, std::uint16_t port)
    : wxThread(wxTHREAD_DETACHED), sink(sink_), server{account, password, host, port} {
    worker_registry::Add(this);
}

SftpThread::~SftpThread() {
    worker_registry::Remove(this);  // from now on a stop request leaves this object alone
    QueueThreadEvent(sink, EVT_PRINTER_FINISHED, std::string("SFTP thread finished"));
}

bool SftpThread::TestDestroy() {
    return wxThread::TestDestroy() || worker_registry::StopRequested(this);
}

// The work runs on a second thread while this one watches: only this thread can see the stop
// request, and a call blocked inside the SSH library can only be ended from outside. The work
// has ended, and posts nothing more, when Entry returns.
wxThread::ExitCode SftpThread::Entry() {
    RequestBound bound(request_timeout);
    PrintQueueWorker worker(sink, server, bound);
    std::future<void> done;
    try {
        done = std::async(std::launch::async, [&worker] { worker.Run(); });
    } catch (const std::system_error&) {
        worker.Run();  // no second thread to be had: work unwatched rather than not at all
        return nullptr;
    }
    while (done.wait_for(kWatchInterval) != std::future_status::ready) {
        if (TestDestroy()) bound.RequestStop();
        bound.Check();
    }
    done.get();
    return nullptr;
}

SftpThread* CreateSftpThread(wxEvtHandler* sink, const std::string& username,
                             const std::string& password) {
    const Deployment& deployment = BuiltInDeployment();
    return new SftpThread(sink, FolderSafeName(username), password, deployment.print_queue_host,
                          deployment.print_queue_port);
}
