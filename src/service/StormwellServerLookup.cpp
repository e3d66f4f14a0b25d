#include "service/StormwellServerLookup.h"

#include <utility>

#include "service/StormwellLoginThread.h"

StormwellServerLookup::StormwellServerLookup(std::string session_start_url)
    : url(std::move(session_start_url)) {}

wxThread* StormwellServerLookup::CreateLoginThread(wxEvtHandler* sink, const MirlNxLogin& login) {
    // The thread takes its own copies: this lookup may be gone while it runs.
    return new StormwellLoginThread(sink, url, login);
}
