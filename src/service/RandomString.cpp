#include "service/RandomString.h"

#include <random>

std::string RandomString(std::size_t length) {
    // Per thread, so that no state is shared and every login thread seeds afresh.
    thread_local std::mt19937 engine{std::random_device{}()};
    thread_local std::uniform_int_distribution<int> index(0, 61);
    std::string out;
    out.reserve(length);
    for (std::size_t i = 0; i < length; ++i) out.push_back(kRandomStringAlphabet[index(engine)]);
    return out;
}
