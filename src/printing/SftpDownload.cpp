#include "printing/SftpDownload.h"

#include <algorithm>
#include <deque>

namespace {
struct PendingRead {
    std::uint64_t offset;
    std::uint32_t length;
    int id;
};

class PipelinedReader {
  public:
    PipelinedReader(sftp_file file_, std::uint64_t size_, std::size_t window_)
        : file(file_), size(size_), window(window_) {}
    ~PipelinedReader() { Drain(); }

    DownloadOutcome Run(const std::function<bool(const char*, std::size_t)>& write,
                        const std::function<bool()>& stop) {
        if (!Fill()) return DownloadOutcome::ReadFailed;
        while (!pending.empty()) {
            if (stop()) return DownloadOutcome::Stopped;
            const PendingRead read = pending.front();
            pending.pop_front();
            // The library keeps one offset and an end flag per file; set both for this read
            // so an earlier short reply does not leak into it.
            sftp_seek64(file, read.offset);
            const int got = sftp_async_read(file, buffer, read.length, read.id);
            if (got < 0) return DownloadOutcome::ReadFailed;
            if (got == 0) return DownloadOutcome::Shorter;
            if (!write(buffer, static_cast<std::size_t>(got))) return DownloadOutcome::WriteFailed;
            const auto count = static_cast<std::uint32_t>(got);
            if (count < read.length) {
                // The library only finds a reply by reading on from the connection, so replies
                // must be taken in the order they were asked for: let the later reads go and
                // ask again from the first missing byte.
                Drain();
                next_offset = read.offset + count;
            }
            if (!Fill()) return DownloadOutcome::ReadFailed;
        }
        return DownloadOutcome::Complete;
    }

  private:
    bool Fill() {
        while (next_offset < size && pending.size() < window) {
            const auto length = static_cast<std::uint32_t>(
                std::min<std::uint64_t>(kDownloadPieceSize, size - next_offset));
            if (!Begin(next_offset, length)) return false;
            next_offset += length;
        }
        return true;
    }

    bool Begin(std::uint64_t offset, std::uint32_t length) {
        sftp_seek64(file, offset);
        const int id = sftp_async_read_begin(file, length);
        if (id < 0) return false;
        pending.push_back(PendingRead{offset, length, id});
        return true;
    }

    // Every begun read gets its reply taken, in order, or the library keeps it until the
    // session ends.
    void Drain() {
        for (const PendingRead& read : pending) {
            sftp_seek64(file, read.offset);
            if (sftp_async_read(file, buffer, read.length, read.id) < 0 &&
                !ssh_is_connected(file->sftp->session)) {
                break;
            }
        }
        pending.clear();
    }

    sftp_file file;
    std::uint64_t size;
    std::size_t window;
    std::deque<PendingRead> pending;
    std::uint64_t next_offset = 0;
    char buffer[kDownloadPieceSize];
};
}  // namespace

DownloadOutcome DownloadPipelined(sftp_file file, std::uint64_t size,
                                  const std::function<bool(const char*, std::size_t)>& write,
                                  const std::function<bool()>& stop, std::size_t reads_in_flight) {
    PipelinedReader reader(file, size, reads_in_flight == 0 ? 1 : reads_in_flight);
    return reader.Run(write, stop);
}
