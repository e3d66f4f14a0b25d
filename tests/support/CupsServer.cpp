#include "support/CupsServer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace {
std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}
}  // namespace

CupsServer::CupsServer() : socket_path(folder.File("cups.sock")) {
    const std::string dir = folder.path();
    for (const char* sub : {"spool", "cache", "state", "log", "tmp", "pdf", "ppd", "bin/backend"}) {
        std::filesystem::create_directories(folder.File(sub));
    }
    // The system's filters and backends, plus a "capture" backend that copies each job to the
    // file its device URI names (capture:/path), so tests can check what came out.
    for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/cups")) {
        const std::string name = entry.path().filename().string();
        if (name != "backend")
            std::filesystem::create_symlink(entry.path(), folder.File("bin/" + name));
    }
    for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/cups/backend")) {
        std::filesystem::create_symlink(
            entry.path(), folder.File("bin/backend/" + entry.path().filename().string()));
    }
    WriteWholeFile(folder.File("bin/backend/capture"), R"(#!/bin/sh
[ $# -eq 0 ] && { echo 'direct capture "Unknown" "Test capture"'; exit 0; }
out="${DEVICE_URI#capture:}"
if [ -n "$6" ]; then cat "$6"; else cat; fi > "$out.partial" && mv "$out.partial" "$out"
)");
    chmod(folder.File("bin/backend/capture").c_str(), 0755);
    // cupsd drops to the "lp" user for filters and backends; let it reach its folders.
    chmod(dir.c_str(), 0755);
    chmod(folder.File("tmp").c_str(), 01777);
    chmod(folder.File("pdf").c_str(), 01777);
    WriteWholeFile(folder.File("cupsd.conf"),
                   "Listen " + socket_path +
                       "\nLogLevel warn\nWebInterface No\nBrowsing Off\nDefaultAuthType None\n"
                       "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                       "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n"
                       "</Policy>\n");
    WriteWholeFile(folder.File("cups-files.conf"),
                   "ServerRoot " + dir + "\nRequestRoot " + dir + "/spool\nCacheDir " + dir +
                       "/cache\nStateDir " + dir + "/state\nTempDir " + dir + "/tmp\nAccessLog " +
                       dir + "/log/access_log\nErrorLog " + dir + "/log/error_log\nPageLog " + dir +
                       "/log/page_log\nServerBin " + dir +
                       "/bin\nDataDir /usr/share/cups\n"
                       "FileDevice Yes\nUser lp\nGroup lp\nSystemGroup root\n");
    scheduler = std::make_unique<ChildProcess>(
        std::vector<std::string>{"/usr/sbin/cupsd", "-f", "-c", folder.File("cupsd.conf"), "-s",
                                 folder.File("cups-files.conf")});
    if (const char* prev = std::getenv("CUPS_SERVER")) {
        previous_server = prev;
        had_previous = true;
    }
    setenv("CUPS_SERVER", socket_path.c_str(), 1);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (Run("lpstat -r 2>/dev/null | grep -q 'scheduler is running'") != 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            throw std::runtime_error("cupsd did not start; see " + folder.File("log/error_log"));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

CupsServer::~CupsServer() {
    scheduler.reset();
    if (had_previous) {
        setenv("CUPS_SERVER", previous_server.c_str(), 1);
    } else {
        unsetenv("CUPS_SERVER");
    }
}

int CupsServer::Run(const std::string& command_line) const {
    const std::string full = "CUPS_SERVER=" + Quote(socket_path) + " " + command_line;
    const int status = std::system(full.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int CupsServer::RunAdmin(const std::string& command_line) const {
    // Shortly after start-up the scheduler now and then refuses a connection ("Bad file
    // descriptor") although it already answered; a few bounded retries ride that out.
    int status = Run(command_line);
    for (int attempt = 1; status != 0 && attempt < 10; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        status = Run(command_line);
    }
    return status;
}

int CupsServer::AddPrinter(const std::string& name, const std::string& device,
                           const std::string& extra) {
    return RunAdmin("lpadmin -p " + Quote(name) + " -E -v " + Quote(device) + " " + extra + " >>" +
                    Quote(folder.File("log/lpadmin.out")) + " 2>&1");
}

int CupsServer::AddPdfPrinter(const std::string& name) {
    return AddPrinter(name, "cups-pdf:/", "-P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd");
}

int CupsServer::AddCapturePrinter(const std::string& name, const std::string& output_file) {
    return AddPrinter(name, "capture:" + output_file, "-m raw");
}

int CupsServer::SetDefault(const std::string& name) {
    return RunAdmin("lpadmin -d " + Quote(name) + " >/dev/null 2>&1");
}
