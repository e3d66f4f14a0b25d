#pragma once

#include <wx/any.h>
#include <wx/event.h>

#include <string>

#include "records/Records.h"

// The application's sixteen event types. Workers and child processes report only through
// these, queued to a wxEvtHandler* sink (the application in the program, a recorder in tests).
wxDECLARE_EVENT(EVT_LOGIN_FAILURE, wxThreadEvent);      // std::string
wxDECLARE_EVENT(EVT_LOGIN_SUCCESS, wxThreadEvent);      // LoginResult
wxDECLARE_EVENT(EVT_UPDATE_AVAILABLE, wxThreadEvent);   // std::string
wxDECLARE_EVENT(EVT_SESSION_FAILURE, wxThreadEvent);    // std::string
wxDECLARE_EVENT(EVT_SESSION_READY, wxThreadEvent);      // MirlNxSession
wxDECLARE_EVENT(EVT_MAP_DRIVES, wxThreadEvent);         // MirlNxLogin
wxDECLARE_EVENT(EVT_TUNNEL_FINISHED, wxThreadEvent);    // std::string
wxDECLARE_EVENT(EVT_PRINT_FAILURE, wxThreadEvent);      // std::string
wxDECLARE_EVENT(EVT_PRINTER_FINISHED, wxThreadEvent);   // std::string
wxDECLARE_EVENT(EVT_PRINTER_CONNECTED, wxThreadEvent);  // std::string
wxDECLARE_EVENT(EVT_PRINT_FILE, wxThreadEvent);         // wxString (local path)
wxDECLARE_EVENT(EVT_PRINTER_STATUS, wxThreadEvent);     // std::string
wxDECLARE_EVENT(EVT_PRINT_JOB_END, wxCommandEvent);
wxDECLARE_EVENT(EVT_VIEWER_END, wxCommandEvent);
wxDECLARE_EVENT(EVT_XSERVER_END, wxCommandEvent);
wxDECLARE_EVENT(EVT_SSH_END, wxCommandEvent);

// Queues a thread event carrying a copy of payload to sink. Safe from any thread; the queue
// owns the event from then on.
template <typename Payload>
void QueueThreadEvent(wxEvtHandler* sink, wxEventType type, const Payload& payload) {
    auto* event = new wxThreadEvent(type, wxID_ANY);
    event->SetPayload(payload);
    wxQueueEvent(sink, event);
}

// Queues the payload-less end event of a child process.
void QueueCommandEvent(wxEvtHandler* sink, wxEventType type);

// EVT_PRINT_FILE: the local copy's path as the payload, and beside it the document's name in
// the print queue (the server's bytes, unchecked), which the path deliberately leaves out.
void QueuePrintFile(wxEvtHandler* sink, const wxString& local_path, const std::string& remote_name);
std::string RemoteNameOf(const wxThreadEvent& print_file);
