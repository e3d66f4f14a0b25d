#include "platform/Sha256Digest.h"

// clang-format off
#include <windows.h>
#include <bcrypt.h>
// clang-format on

#include <limits>
#include <stdexcept>

namespace {

bool Succeeded(NTSTATUS status) {
    return status >= 0;
}

// The algorithm provider and the hash object, closed on every path.
struct Sha256Hash {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    ~Sha256Hash() {
        if (hash != nullptr) BCryptDestroyHash(hash);
        if (algorithm != nullptr) BCryptCloseAlgorithmProvider(algorithm, 0);
    }
};

}  // namespace

std::array<unsigned char, 32> Sha256Digest(const std::string& bytes) {
    Sha256Hash state;
    if (!Succeeded(
            BCryptOpenAlgorithmProvider(&state.algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) ||
        !Succeeded(BCryptCreateHash(state.algorithm, &state.hash, nullptr, 0, nullptr, 0, 0))) {
        throw std::runtime_error("SHA-256 is not available");
    }
    // BCryptHashData takes at most 4 GiB a call.
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t left = bytes.size();
    while (left > 0) {
        const ULONG chunk = static_cast<ULONG>(
            left < std::numeric_limits<ULONG>::max() ? left : std::numeric_limits<ULONG>::max());
        if (!Succeeded(BCryptHashData(state.hash, const_cast<PUCHAR>(data), chunk, 0))) {
            throw std::runtime_error("SHA-256 is not available");
        }
        data += chunk;
        left -= chunk;
    }
    std::array<unsigned char, 32> digest{};
    if (!Succeeded(
            BCryptFinishHash(state.hash, digest.data(), static_cast<ULONG>(digest.size()), 0))) {
        throw std::runtime_error("SHA-256 is not available");
    }
    return digest;
}
