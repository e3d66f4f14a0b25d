#pragma once

#include <wx/event.h>

#include "platform/ErrorTail.h"

// The running forwarding ssh. When it ends, OnTerminate queues EVT_TUNNEL_FINISHED "Tunnel
// connection finished" to the sink. The application owns the object and deletes it in the
// handler of that event.
//
// ssh at "-v" keeps writing debug lines: the start reads them for the readiness (ReadError),
// then the output is drained in the background (KeepDraining), so a full pipe never stalls ssh
// and with it the desktop.
class OpensshProcess : public ErrorTailProcess {
  public:
    explicit OpensshProcess(wxEvtHandler* sink);
    ~OpensshProcess() override;

    void OnTerminate(int pid, int status) override;

    // From now on drain both output pipes in the background.
    void KeepDraining() { StartReading(); }

    // For a start that failed after ssh was killed: end silently (no event) and delete itself
    // once the toolkit reports the end of the process.
    void Abandon();

    // True once ssh has ended (its end event is then on its way or handled).
    bool HasEnded() const { return ended; }

    // Objects alive now (tests check that none is left behind).
    static int LiveCount();

  private:
    wxEvtHandler* sink;
    bool abandoned = false;
    bool ended = false;
};
