#pragma once

#include <cstddef>

// How many descriptors (Windows: handles) this process holds open: whether a piece of work
// gave back every socket and file it took.
std::size_t OpenHandleCount();
