#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wx/string.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/LogFile.h"

int OpenLogFile(const wxString& path, std::uint64_t& size) {
    // Not blocking on a pipe someone left there; the check below refuses it.
    const int fd =
        ::open(path.fn_str(),
               O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY,
               S_IRUSR | S_IWUSR);
    if (fd < 0) {
        throw std::string(errno == ELOOP ? "it is a symbolic link" : std::strerror(errno));
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        throw std::string("it is not a regular file");
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    size = static_cast<std::uint64_t>(status.st_size);
    return fd;
}

std::string RenameLogFile(const wxString& path, const wxString& older) {
    return ::rename(path.fn_str(), older.fn_str()) == 0 ? std::string() : std::strerror(errno);
}
