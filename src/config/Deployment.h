#pragma once

#include <cstdint>
#include <string>

// Endpoints, keys and trust of one deployment. Each program links exactly one definition of
// BuiltInDeployment(), generated at configure time; library code takes what it needs from the
// caller, so tests can point it at their own loopback services.
struct Deployment {
    std::string api_url;            // https://host[:port], base of the session-start URL
    std::string web_url;            // base of the version text and download page URLs
    std::string desktop_proxy;      // host[:port] of the desktop proxy
    std::string print_queue_host;   // SSH host of the print queue
    std::uint16_t print_queue_port; // 0 keeps libssh's default
    std::string ca_bundle;          // CA file for verified requests; empty = system store
    std::string session_request_key;  // PEM, PKCS#1
    std::string tunnel_key;           // PEM, PKCS#1
};

const Deployment& BuiltInDeployment();

// The CA bundle that verified HTTPS requests trust; set once at start-up from the deployment
// (tests set their own). Empty means the system's store.
void SetTrustedCaBundle(const std::string& path);
std::string TrustedCaBundle();
