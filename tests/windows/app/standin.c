/* One stand-in for every helper program the client starts, copied under each program's name
 * and behaving per that name. Every start appends one line to "<own path>.record":
 *   show=<wShowWindow, or "none" without STARTF_USESHOWWINDOW> TAB pid=<id> TAB <command line>
 * (the command line exactly as GetCommandLineW gives it, in UTF-8). Then:
 *   turbovnc-client-go.exe, vcxsrv.exe  a top-level window titled "Stand-in <name>", shown with
 *                                       the show command the program was given, as real
 *                                       programs show their first window; runs until ended
 *   sumatraPDF.exe                      copies the file of -print-to "<printer>" "<file>" into
 *                                       the folder "printed" beside itself and exits 0; a file
 *                                       whose first 4 KiB hold "FAIL" is a failed print: exit 7
 *   ssh.exe                             listens on the local port of its first -L, says so as
 *                                       the forwarding ssh does, and runs until ended
 *   anything else                       no window; runs until ended */
/* winsock2.h and windows.h first: the other Windows headers build on them. */
#include <winsock2.h>

#include <windows.h>

#include <shellapi.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>

static wchar_t own_path[MAX_PATH];

static const wchar_t* OwnName(void) {
    const wchar_t* slash = wcsrchr(own_path, L'\\');
    return slash != NULL ? slash + 1 : own_path;
}

/* One write with FILE_APPEND_DATA, so that starts of the same program never interleave. */
static void Record(const wchar_t* line) {
    wchar_t path[MAX_PATH + 8];
    swprintf(path, MAX_PATH + 8, L"%ls.record", own_path);
    char bytes[65536];
    const int size = WideCharToMultiByte(CP_UTF8, 0, line, -1, bytes, sizeof bytes, NULL, NULL);
    if (size <= 1) return;
    const HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, bytes, (DWORD)(size - 1), &written, NULL);
    CloseHandle(file);
}

static BOOL HoldsFail(const wchar_t* file) {
    const HANDLE handle =
        CreateFileW(file, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (handle == INVALID_HANDLE_VALUE) return FALSE;
    char head[4097];
    DWORD read = 0;
    const BOOL ok = ReadFile(handle, head, 4096, &read, NULL);
    CloseHandle(handle);
    if (!ok) return FALSE;
    for (DWORD i = 0; i + 4 <= read; ++i) {
        if (memcmp(head + i, "FAIL", 4) == 0) return TRUE;
    }
    return FALSE;
}

static int Print(void) {
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (argv == NULL || count != 4 || wcscmp(argv[1], L"-print-to") != 0) return 2;
    wchar_t target[MAX_PATH * 2];
    const wchar_t* slash = wcsrchr(own_path, L'\\');
    const int folder_length = (int)(slash - own_path);
    swprintf(target, MAX_PATH * 2, L"%.*ls\\printed", folder_length, own_path);
    CreateDirectoryW(target, NULL);
    const wchar_t* file = argv[3];
    if (HoldsFail(file)) {
        LocalFree(argv);
        return 7;
    }
    const wchar_t* base = file;
    for (const wchar_t* c = file; *c != L'\0'; ++c) {
        if (*c == L'\\' || *c == L'/') base = c + 1;
    }
    wcscat(target, L"\\");
    wcscat(target, base);
    /* Copied aside and renamed into place, so that the test never reads half a copy. */
    wchar_t partial[MAX_PATH * 2 + 8];
    swprintf(partial, MAX_PATH * 2 + 8, L"%ls.partial", target);
    const BOOL copied =
        CopyFileW(file, partial, FALSE) && MoveFileExW(partial, target, MOVEFILE_REPLACE_EXISTING);
    LocalFree(argv);
    return copied ? 0 : 3;
}

/* As the forwarding ssh does: listens on the local port of its first -L PORT:HOST:PORT and says
 * so on its error output after the authentication, then runs until ended. */
static int Forward(void) {
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    int port = 0;
    for (int i = 1; argv != NULL && i + 1 < count; ++i) {
        if (wcscmp(argv[i], L"-L") == 0) {
            port = _wtoi(argv[i + 1]);
            break;
        }
    }
    WSADATA data;
    if (port <= 0 || WSAStartup(MAKEWORD(2, 2), &data) != 0) return 5;
    const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    struct sockaddr_in address = {0};
    address.sin_family = AF_INET;
    address.sin_port = htons((u_short)port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (listener == INVALID_SOCKET ||
        bind(listener, (struct sockaddr*)&address, sizeof address) != 0 ||
        listen(listener, 4) != 0) {
        return 6;
    }
    char line[128];
    const int size = snprintf(line, sizeof line,
                              "Authenticated to 127.0.0.1 using \"publickey\".\r\n"
                              "debug1: Local forwarding listening on 127.0.0.1 port %d.\r\n",
                              port);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line, (DWORD)size, &written, NULL);
    Sleep(INFINITE);
    return 0;
}

static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, w, l);
}

static int ShowWindowUntilEnded(int show) {
    WNDCLASSW window_class = {0};
    window_class.lpfnWndProc = WindowProcedure;
    window_class.hInstance = GetModuleHandleW(NULL);
    window_class.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    window_class.lpszClassName = L"TollivanceStandIn";
    RegisterClassW(&window_class);
    wchar_t title[MAX_PATH + 16];
    swprintf(title, MAX_PATH + 16, L"Stand-in %ls", OwnName());
    /* Beside the client's window (500x400 at 50,50), never over its button. */
    const HWND window = CreateWindowW(L"TollivanceStandIn", title, WS_OVERLAPPEDWINDOW, 600, 80,
                                      420, 300, NULL, NULL, window_class.hInstance, NULL);
    if (window == NULL) return 4;
    ShowWindow(window, show);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR arguments, int ignored) {
    (void)instance;
    (void)previous;
    (void)arguments;
    (void)ignored;
    GetModuleFileNameW(NULL, own_path, MAX_PATH);
    STARTUPINFOW startup;
    GetStartupInfoW(&startup);
    const BOOL given = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0;
    /* What a real program's first ShowWindow does: the show command it was started with. */
    const int show = given ? startup.wShowWindow : SW_SHOWDEFAULT;
    wchar_t shown[16];
    if (given) {
        swprintf(shown, 16, L"%d", (int)startup.wShowWindow);
    } else {
        wcscpy(shown, L"none");
    }
    wchar_t line[32768];
    swprintf(line, 32768, L"show=%ls\tpid=%lu\t%ls\n", shown, (unsigned long)GetCurrentProcessId(),
             GetCommandLineW());
    Record(line);

    const wchar_t* name = OwnName();
    if (_wcsicmp(name, L"sumatraPDF.exe") == 0) return Print();
    if (_wcsicmp(name, L"turbovnc-client-go.exe") == 0 || _wcsicmp(name, L"vcxsrv.exe") == 0) {
        return ShowWindowUntilEnded(show);
    }
    if (_wcsicmp(name, L"ssh.exe") == 0) return Forward();
    Sleep(INFINITE);
    return 0;
}
