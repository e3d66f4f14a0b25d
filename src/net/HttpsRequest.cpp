#include "net/HttpsRequest.h"

#include <memory>
#include <mutex>
#include <utility>

#include "config/Deployment.h"
#include "platform/LoopbackSocket.h"

const char* const kReplyTooLarge = "The reply of the service is too large";
const char* const kRedirectNotHttps =
    "The service redirected the request to an address without https";

namespace {
const char* const kFallback = "An error has occurred";

struct EasyHandleRelease {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using EasyHandle = std::unique_ptr<CURL, EasyHandleRelease>;

// Where the body goes, and how much of it may come.
struct BodySink {
    std::string body;
    std::size_t limit = 0;
    bool too_large = false;
};

// Collects the body up to its limit; a null destination or a body over the limit makes libcurl
// end with a write error.
size_t WriteToString(char* data, size_t size, size_t count, void* destination) {
    if (destination == nullptr) return 0;
    auto* sink = static_cast<BodySink*>(destination);
    const std::size_t bytes = size * count;
    if (bytes > sink->limit - sink->body.size()) {
        sink->too_large = true;
        return 0;
    }
    sink->body.append(data, bytes);
    return bytes;
}

// The login and update threads may start their first request at the same moment, and
// curl_global_init is not safe to run twice at once.
void GlobalInitOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_ALL); });
}

// Whether a redirect pointed the transfer at an address that is not https (libcurl then
// refuses it as an unsupported protocol, as it does a reply in HTTP/0.9).
bool LedAwayFromHttps(CURL* curl) {
    const char* url = nullptr;
    curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &url);
    return url != nullptr && std::string(url).rfind("https://", 0) != 0;
}

// No child program started while a request runs may hold its connection: the socket is made
// so from its creation, not flagged after it.
curl_socket_t OpenSocketKeptFromChildren(void*, curlsocktype, curl_sockaddr* address) {
    const SocketHandle made = NewSocket(address->family, address->socktype, address->protocol);
    return made == kNoSocket ? CURL_SOCKET_BAD : static_cast<curl_socket_t>(made);
}

void Check(CURLcode result, const char* message) {
    if (result != CURLE_OK) throw std::string(message);
}

// The error buffer is read only after the call has failed, when libcurl may have filled it.
void Check(CURLcode result, const char* prefix, const char* error_buffer) {
    if (result != CURLE_OK) throw std::string(prefix) + error_buffer;
}
}  // namespace

const RequestProfile& UpdateCheckProfile() {
    static const RequestProfile profile{true, {}};
    return profile;
}

const RequestProfile& LoginProfile() {
    static const RequestProfile profile{
        true,
        {{403, "User name or password incorrect"},
         {402, "Your account has been suspended,\nplease contact support"},
         {423, "Invalid serial number"}}};
    return profile;
}

const RequestProfile& WebsockSessionProfile() {
    static const RequestProfile profile{false,
                                        {{404, "Bad request"},
                                         {403, "Server authentication failed"},
                                         {504, "Timeout connecting to server"},
                                         {503, "Error connecting to server"},
                                         {500, "Server connection failed"}}};
    return profile;
}

std::string CurlEscape(CURL* handle, const std::string& bytes) {
    char* escaped = curl_easy_escape(handle, bytes.data(), static_cast<int>(bytes.size()));
    if (escaped == nullptr) throw std::string(kFallback);
    std::string copy(escaped);
    curl_free(escaped);
    return copy;
}

std::string HttpsRequest(const std::string& url, const BodyBuilder& body,
                         const RequestProfile& profile) {
    GlobalInitOnce();
    EasyHandle handle(curl_easy_init());
    if (!handle) throw std::string("Failed to create CURL connection");
    CURL* curl = handle.get();

    if (!profile.verify_tls) {
        Check(curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L), "Failed to set SSL_VERIFYPEER");
        Check(curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L), "Failed to set SSL_VERIFYHOST");
    }
    char error_buffer[CURL_ERROR_SIZE] = "";
    Check(curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error_buffer), "Failed to set error buffer");
    Check(curl_easy_setopt(curl, CURLOPT_URL, url.c_str()), "Failed to set URL: ", error_buffer);
    Check(curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L),
          "Failed to set redirect option: ", error_buffer);
    Check(curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteToString),
          "Failed to set writer: ", error_buffer);
    BodySink response;
    response.limit = profile.max_body_bytes;
    Check(curl_easy_setopt(curl, CURLOPT_WRITEDATA, &response),
          "Failed to set write data: ", error_buffer);
    // The password must never follow a redirect to plain http, and a loop must end.
    Check(curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "https"),
          "Failed to set redirect option: ", error_buffer);
    Check(curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "https"),
          "Failed to set redirect option: ", error_buffer);
    Check(curl_easy_setopt(curl, CURLOPT_MAXREDIRS, profile.max_redirects),
          "Failed to set redirect option: ", error_buffer);

    if (profile.verify_tls) {
        const std::string ca_bundle = TrustedCaBundle();
        if (!ca_bundle.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, ca_bundle.c_str());
        // Windows' TLS checks revocation and otherwise fails when it cannot tell (a private CA
        // that names no list, a list server out of reach): a valid deployment is not refused
        // for that. Revocation is still checked wherever it can be. Other TLS backends ignore it.
        curl_easy_setopt(curl, CURLOPT_SSL_OPTIONS,
                         static_cast<long>(CURLSSLOPT_REVOKE_BEST_EFFORT));
    }
    curl_easy_setopt(curl, CURLOPT_OPENSOCKETFUNCTION, &OpenSocketKeptFromChildren);
    // Timeouts must not use signals: requests run on worker threads.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, profile.connect_timeout_seconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, profile.idle_timeout_seconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, profile.total_timeout_seconds);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE,
                     static_cast<curl_off_t>(profile.max_body_bytes));

    std::string post_body;  // libcurl does not copy it: it lives until the transfer ends
    if (body) {
        post_body = body(curl);
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        // The size is given so that every byte goes out, a NUL included.
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(post_body.size()));
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, post_body.c_str());
    }

    const CURLcode performed = curl_easy_perform(curl);
    if (response.too_large || performed == CURLE_FILESIZE_EXCEEDED) {
        throw std::string(kReplyTooLarge);
    }
    if (performed == CURLE_UNSUPPORTED_PROTOCOL && LedAwayFromHttps(curl)) {
        throw std::string(kRedirectNotHttps);
    }
    if (performed != CURLE_OK) throw std::string(curl_easy_strerror(performed));

    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    if (status == 200) return std::move(response.body);
    for (const auto& [code, message] : profile.statuses) {
        if (code == status) throw message;
    }
    throw std::string(kFallback);
}

std::string HttpsPost(const std::string& url, const std::string& body,
                      const RequestProfile& profile) {
    return HttpsRequest(
        url, [&body](CURL*) { return body; }, profile);
}

std::string HttpsGet(const std::string& url, const RequestProfile& profile) {
    return HttpsRequest(url, BodyBuilder(), profile);
}
