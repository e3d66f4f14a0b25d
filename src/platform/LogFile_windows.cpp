// clang-format off
#include <windows.h>
#include <fcntl.h>
#include <io.h>
// clang-format on
#include <wx/string.h>

#include <string>

#include "platform/LogFile.h"

int OpenLogFile(const wxString& path, std::uint64_t& size) {
    // FILE_FLAG_OPEN_REPARSE_POINT opens a link itself rather than what it points at; it is then
    // refused below. Readers may look at the log while the client writes it.
    const HANDLE handle = CreateFileW(
        path.wc_str(), FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        throw std::string("the system refused it (error " + std::to_string(GetLastError()) + ")");
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        CloseHandle(handle);
        throw std::string("it is not a regular file");
    }
    SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0);
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_APPEND | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        throw std::string("it cannot be written");
    }
    size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    return fd;
}

std::string RenameLogFile(const wxString& path, const wxString& older) {
    // Without MOVEFILE_COPY_ALLOWED: a move that would need a copy fails instead.
    if (MoveFileExW(path.wc_str(), older.wc_str(), MOVEFILE_REPLACE_EXISTING)) return "";
    return "the system refused it (error " + std::to_string(GetLastError()) + ")";
}
