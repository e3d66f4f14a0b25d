#include "records/Events.h"

// Created at static initialisation, in this order.
wxDEFINE_EVENT(EVT_LOGIN_FAILURE, wxThreadEvent);
wxDEFINE_EVENT(EVT_LOGIN_SUCCESS, wxThreadEvent);
wxDEFINE_EVENT(EVT_UPDATE_AVAILABLE, wxThreadEvent);
wxDEFINE_EVENT(EVT_SESSION_FAILURE, wxThreadEvent);
wxDEFINE_EVENT(EVT_SESSION_READY, wxThreadEvent);
wxDEFINE_EVENT(EVT_MAP_DRIVES, wxThreadEvent);
wxDEFINE_EVENT(EVT_TUNNEL_FINISHED, wxThreadEvent);
wxDEFINE_EVENT(EVT_PRINT_FAILURE, wxThreadEvent);
wxDEFINE_EVENT(EVT_PRINTER_FINISHED, wxThreadEvent);
wxDEFINE_EVENT(EVT_PRINTER_CONNECTED, wxThreadEvent);
wxDEFINE_EVENT(EVT_PRINT_FILE, wxThreadEvent);
wxDEFINE_EVENT(EVT_PRINTER_STATUS, wxThreadEvent);
wxDEFINE_EVENT(EVT_PRINT_JOB_END, wxCommandEvent);
wxDEFINE_EVENT(EVT_VIEWER_END, wxCommandEvent);
wxDEFINE_EVENT(EVT_XSERVER_END, wxCommandEvent);
wxDEFINE_EVENT(EVT_SSH_END, wxCommandEvent);

void QueueCommandEvent(wxEvtHandler* sink, wxEventType type) {
    wxQueueEvent(sink, new wxCommandEvent(type, 0));
}

void QueuePrintFile(wxEvtHandler* sink, const wxString& local_path,
                    const std::string& remote_name) {
    auto* event = new wxThreadEvent(EVT_PRINT_FILE, wxID_ANY);
    event->SetPayload(local_path);
    // Byte for byte, one character a byte: the name is only cleaned where it is shown. Not text
    // yet, so no conversion.
    wxString carried;
    carried.reserve(remote_name.size());
    for (const char byte : remote_name)
        carried += wxUniChar(static_cast<unsigned>(static_cast<unsigned char>(byte)));
    event->SetString(carried);
    wxQueueEvent(sink, event);
}

std::string RemoteNameOf(const wxThreadEvent& print_file) {
    std::string bytes;
    for (const wxUniChar c : print_file.GetString()) bytes += static_cast<char>(c.GetValue());
    return bytes;
}
