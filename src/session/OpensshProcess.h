#pragma once

#include <wx/event.h>
#include <wx/process.h>
#include <wx/timer.h>

#include <string>

// The running forwarding ssh. Its standard streams are pipes (Redirect); when ssh ends,
// OnTerminate queues EVT_TUNNEL_FINISHED "Tunnel connection finished" to the sink. The
// application owns the object and deletes it in the handler of that event.
//
// ssh at "-v" keeps writing debug lines; a full pipe would stall it and with it the desktop, so
// once the forwarding is up a timer on the GUI thread reads whatever is waiting on stdout and
// stderr and drops it. The timer belongs to the object: it stops when ssh ends or the object
// goes, so nothing outlives the process object.
class OpensshProcess : public wxProcess {
  public:
    explicit OpensshProcess(wxEvtHandler* sink);
    ~OpensshProcess() override;
    OpensshProcess(const OpensshProcess&) = delete;
    OpensshProcess& operator=(const OpensshProcess&) = delete;

    void OnTerminate(int pid, int status) override;

    // Reads what is waiting on stderr (up to 1 MiB a call; what is waiting on stdout is dropped)
    // without blocking, and returns it as it came. ended is set once stderr has ended.
    std::string ReadError(bool& ended);

    // From now on drain both output pipes in the background.
    void KeepDraining();

    // For a start that failed after ssh was killed: end silently (no event) and delete itself
    // once the toolkit reports the end of the process.
    void Abandon();

    // True once ssh has ended (its end event is then on its way or handled).
    bool HasEnded() const { return ended; }

    // Objects alive now (tests check that none is left behind).
    static int LiveCount();

  private:
    void OnDrainTimer(wxTimerEvent& event);
    // Reads up to max_bytes that are waiting on stream into sink_text (may be null).
    static bool ReadAvailable(wxInputStream* stream, std::string* sink_text, std::size_t max_bytes);

    wxEvtHandler* sink;
    wxTimer drain_timer;
    bool abandoned = false;
    bool ended = false;
};
