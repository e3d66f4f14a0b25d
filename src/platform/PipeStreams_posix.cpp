#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "platform/PipeStreams.h"

PipeInputStream::~PipeInputStream() {
    ::close(fd);
}

bool PipeInputStream::CanRead() const {
    if (GetLastError() == wxSTREAM_EOF) return false;
    pollfd look{fd, POLLIN, 0};
    int ready = 0;
    do {
        ready = ::poll(&look, 1, 0);
    } while (ready < 0 && errno == EINTR);
    // POLLHUP: the program closed its end; the read then says so.
    return ready > 0 && (look.revents & (POLLIN | POLLHUP | POLLERR)) != 0;
}

size_t PipeInputStream::OnSysRead(void* buffer, size_t size) {
    ssize_t count = 0;
    do {
        count = ::read(fd, buffer, size);
    } while (count < 0 && errno == EINTR);
    if (count == 0) {
        m_lasterror = wxSTREAM_EOF;
    } else if (count < 0) {
        m_lasterror = wxSTREAM_READ_ERROR;
        count = 0;
    }
    return static_cast<size_t>(count);
}

PipeOutputStream::~PipeOutputStream() {
    ::close(fd);
}

size_t PipeOutputStream::OnSysWrite(const void*, size_t) {
    m_lasterror = wxSTREAM_WRITE_ERROR;
    return 0;
}
