#pragma once

#include <libssh/sftp.h>

#include <cstddef>
#include <cstdint>
#include <functional>

enum class DownloadOutcome {
    Complete,     // every byte up to the end of the file was handed to the writer, in order
    ReadFailed,   // the server or the connection failed part-way
    WriteFailed,  // the writer refused a piece
    Stopped,      // stop() said so between two pieces
};

constexpr std::uint32_t kDownloadPieceSize = 16384;

// Reads an open remote file from its start with several reads in flight (one read at a time
// waits a round trip per piece) and hands the pieces to write() in file order. After a read
// that returns fewer bytes than asked for, reading goes on from the first missing byte, so a
// short reply never leaves a hole.
DownloadOutcome DownloadPipelined(sftp_file file,
                                  const std::function<bool(const char*, std::size_t)>& write,
                                  const std::function<bool()>& stop,
                                  std::size_t reads_in_flight = 64);
