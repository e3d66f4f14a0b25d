#pragma once

#include <libssh/sftp.h>

#include <cstddef>
#include <cstdint>
#include <functional>

enum class DownloadOutcome {
    Complete,     // every byte up to the expected size was handed to the writer, in order
    ReadFailed,   // the server or the connection failed part-way
    Shorter,      // the file ended before the expected size
    WriteFailed,  // the writer refused a piece
    Stopped,      // stop() said so between two pieces
};

constexpr std::uint32_t kDownloadPieceSize = 16384;

// Reads the first `size` bytes of an open remote file with several reads in flight (one read
// at a time waits a round trip per piece) and hands them to write() in file order. Nothing past
// `size` is asked for, so a file that keeps growing (or a device) cannot fill the disk. After a
// read that returns fewer bytes than asked for, reading goes on from the first missing byte,
// so a short reply never leaves a hole.
DownloadOutcome DownloadPipelined(sftp_file file, std::uint64_t size,
                                  const std::function<bool(const char*, std::size_t)>& write,
                                  const std::function<bool()>& stop,
                                  std::size_t reads_in_flight = 64);
