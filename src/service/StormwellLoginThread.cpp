#include "service/StormwellLoginThread.h"

#include <exception>
#include <utility>

#include "net/HttpsRequest.h"
#include "platform/DiagnosticLog.h"
#include "records/Events.h"
#include "service/LoginExchange.h"
#include "service/RandomString.h"
#include "service/Sha256Hex.h"

StormwellLoginThread::StormwellLoginThread(wxEvtHandler* sink, std::string url, MirlNxLogin login)
    : wxThread(wxTHREAD_DETACHED), sink(sink), url(std::move(url)), login(std::move(login)) {}

StormwellLoginThread::~StormwellLoginThread() = default;

MirlNxServer LogIn(const std::string& url, const MirlNxLogin& login) {
    // The salt is drawn once the handle is set up, and the password escaped with that handle.
    const std::string reply = HttpsRequest(
        url,
        [&login](CURL* handle) {
            const std::string salt = RandomString(kLoginSaltLength);
            LogSecret(Sha256Hex(login.serial + salt));  // the login proof
            return LoginFormBody(login, salt, [handle](const std::string& bytes) {
                return CurlEscape(handle, bytes);
            });
        },
        LoginProfile());
    return ReadLoginReply(reply);
}

wxThread::ExitCode StormwellLoginThread::Entry() {
    std::string message;
    // Every way out queues one event: the window waits for it in "Connecting...".
    try {
        QueueThreadEvent(sink, EVT_LOGIN_SUCCESS, LoginResult{LogIn(url, login), login});
        return reinterpret_cast<ExitCode>(0);
    } catch (const std::string& text) {
        message = text;
    } catch (const std::exception&) {
        message = kLoginFallbackMessage;
    } catch (...) {
        message = kLoginFallbackMessage;
    }
    QueueThreadEvent(sink, EVT_LOGIN_FAILURE, message);
    return reinterpret_cast<ExitCode>(1);
}
