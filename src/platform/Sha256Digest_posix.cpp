#include "platform/Sha256Digest.h"

#include <openssl/evp.h>

#include <stdexcept>

std::array<unsigned char, 32> Sha256Digest(const std::string& bytes) {
    std::array<unsigned char, 32> digest{};
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr) !=
            1 ||
        length != digest.size()) {
        throw std::runtime_error("SHA-256 is not available");
    }
    return digest;
}
