// clang-format off
#include <windows.h>
#include <aclapi.h>
#include <io.h>
// clang-format on
#include <fcntl.h>
#include <wx/file.h>
#include <wx/filename.h>

#include <cwchar>
#include <random>
#include <vector>

#include "platform/OwnerOnlyFile.h"

namespace {

// The user this process runs as; empty when the token cannot be read.
std::vector<BYTE> CurrentUser() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    const bool read =
        size > 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size) != FALSE;
    CloseHandle(token);
    return read ? user : std::vector<BYTE>();
}

}  // namespace

// The folder's inherited entries are not enough: the key may be written into any folder. The
// file gets one protected entry, full control for its owner, and nothing inherited.
bool RestrictToOwner(wxFile& file) {
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(file.fd()));
    if (handle == INVALID_HANDLE_VALUE) return false;
    std::vector<wchar_t> path(MAX_PATH + 1);
    DWORD length =
        GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), 0);
    if (length >= path.size()) {
        path.resize(length + 1);
        length = GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), 0);
    }
    if (length == 0 || length >= path.size()) return false;

    std::vector<BYTE> user = CurrentUser();
    if (user.empty()) return false;
    EXPLICIT_ACCESSW access{};
    access.grfAccessPermissions = GENERIC_ALL;
    access.grfAccessMode = SET_ACCESS;
    access.grfInheritance = NO_INHERITANCE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_USER;
    access.Trustee.ptstrName =
        reinterpret_cast<LPWSTR>(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid);
    PACL acl = nullptr;
    if (SetEntriesInAclW(1, &access, nullptr, &acl) != ERROR_SUCCESS) return false;
    const DWORD result =
        SetNamedSecurityInfoW(path.data(), SE_FILE_OBJECT,
                              DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, acl, nullptr);
    LocalFree(acl);
    return result == ERROR_SUCCESS;
}

void KeepFromChildren(wxFile& file) {
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(file.fd()));
    if (handle != INVALID_HANDLE_VALUE) SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0);
}

wxString CreateTempFileKeptFromChildren(const wxString& folder, wxFile& file) {
    std::random_device device;
    // Some C++ libraries of MinGW give the same numbers in every process: mixed with these.
    std::mt19937 numbers(device() ^ GetCurrentProcessId() ^ GetTickCount());
    for (int attempt = 0; attempt < 100; ++attempt) {
        wchar_t name[16];
        std::swprintf(name, 16, L"tv%08x.tmp", static_cast<unsigned>(numbers()));
        const wxString path = wxFileName(folder, name).GetFullPath();
        // No security attributes: the handle is not inheritable, from its creation on.
        const HANDLE handle = CreateFileW(path.wc_str(), GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            return "";
        }
        const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR | _O_BINARY);
        if (fd < 0) {
            CloseHandle(handle);
            DeleteFileW(path.wc_str());
            return "";
        }
        file.Attach(fd);
        return path;
    }
    return "";
}
