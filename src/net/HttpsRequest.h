#pragma once

#include <curl/curl.h>

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// Messages for HTTP statuses other than 200, looked up in order; anything not listed gives
// "An error has occurred".
using StatusTable = std::vector<std::pair<long, std::string>>;

// How one kind of request differs from the others.
struct RequestProfile {
    bool verify_tls = true;
    StatusTable statuses;
    // Bounds so that a service that accepts the connection and never answers cannot hold a
    // thread (and the window waiting on it) forever.
    long connect_timeout_seconds = 30;
    long idle_timeout_seconds = 60;  // abort when no byte moves for this long
    // A reply that trickles a byte now and then is ended by this overall bound.
    long total_timeout_seconds = 120;
    // Every reply of the service is small; a larger one is refused before it fills memory.
    std::size_t max_body_bytes = std::size_t{1} << 20;
    // Redirects are followed to https addresses only, and this many at most.
    long max_redirects = 5;
};

// Messages of the bounds above; a request that runs out of time gives libcurl's own text.
extern const char* const kReplyTooLarge;
extern const char* const kRedirectNotHttps;

const RequestProfile& UpdateCheckProfile();
const RequestProfile& LoginProfile();
const RequestProfile& WebsockSessionProfile();

// Builds a POST body with the request's own handle (for curl_easy_escape).
using BodyBuilder = std::function<std::string(CURL* handle)>;

// One blocking HTTPS request. Returns the body of a final 200 reply; throws a std::string
// message for the user on any other outcome. A GET when body holds no function, else a POST of
// what it builds.
std::string HttpsRequest(const std::string& url, const BodyBuilder& body,
                         const RequestProfile& profile);

// The same with a body given as it is.
std::string HttpsPost(const std::string& url, const std::string& body,
                      const RequestProfile& profile);
std::string HttpsGet(const std::string& url, const RequestProfile& profile);

// Percent-encodes every byte but ASCII letters, digits and "-._~" with the request's handle.
std::string CurlEscape(CURL* handle, const std::string& bytes);
