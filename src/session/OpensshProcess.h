#pragma once

#include <wx/event.h>
#include <wx/process.h>
#include <wx/timer.h>

#include <string>
#include <vector>

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

    // Reads what is waiting on stderr (and drops what is waiting on stdout) without blocking;
    // returns the complete lines read, without their line ends. When stderr has ended, the
    // unfinished last line is returned too and ended is set.
    std::vector<std::string> ReadErrorLines(bool& ended);

    // From now on drain both output pipes in the background.
    void KeepDraining();

    // For a start that failed after ssh was killed: end silently (no event) and delete itself
    // once the toolkit reports the end of the process.
    void Abandon();

    // Objects alive now (tests check that none is left behind).
    static int LiveCount();

  private:
    void OnDrainTimer(wxTimerEvent& event);
    // Reads up to max_bytes that are waiting on stream into sink_text (may be null).
    static bool ReadAvailable(wxInputStream* stream, std::string* sink_text, std::size_t max_bytes);

    wxEvtHandler* sink;
    wxTimer drain_timer;
    std::string partial_line;
    bool abandoned = false;
};
