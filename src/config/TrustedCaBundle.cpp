#include <mutex>

#include "config/Deployment.h"

namespace {
std::mutex ca_mutex;
std::string ca_bundle;
}  // namespace

void SetTrustedCaBundle(const std::string& path) {
    std::lock_guard<std::mutex> lock(ca_mutex);
    ca_bundle = path;
}

std::string TrustedCaBundle() {
    std::lock_guard<std::mutex> lock(ca_mutex);
    return ca_bundle;
}
