// Fetching queued documents: the print queue thread against OpenSSH's own sftp client, both
// reading from one real sshd (internal-sftp) in the same run.
//
//   print_queue_benchmark [big file MiB, default 1024] [small files, default 1000]
//                         [idle seconds per run, default 20] [rounds, default 3]
//
// Needs root: it creates a throw-away local user with a password for the print account (the
// thread logs in by password) and removes it at the end.
#include <openssl/evp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/apptrait.h>
#include <wx/evtloop.h>
#include <wx/init.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/PrintJobTurns.h"
#include "platform/ProgramLayout.h"
#include "printing/MirlNxPrintJob.h"
#include "printing/PrintBacklog.h"
#include "printing/SftpThread.h"
#include "support/EventPump.h"
#include "support/EventRecorder.h"
#include "support/OpensshServer.h"
#include "support/TempDir.h"

namespace {
using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double CpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string FileSha256(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    EVP_DigestInit_ex(context, EVP_sha256(), nullptr);
    std::vector<char> buffer(1 << 20);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        EVP_DigestUpdate(context, buffer.data(), static_cast<size_t>(in.gcount()));
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(context, digest, &length);
    EVP_MD_CTX_free(context);
    std::string hex;
    char two[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(two, sizeof two, "%02x", digest[i]);
        hex += two;
    }
    return hex;
}

void WriteRandomFile(const std::string& path, size_t size, unsigned seed) {
    std::ofstream out(path, std::ios::binary);
    std::mt19937_64 generator(seed);
    std::vector<std::uint64_t> block(1 << 17);
    size_t left = size;
    while (left > 0) {
        for (auto& word : block) word = generator();
        const size_t n = std::min(left, block.size() * sizeof(std::uint64_t));
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(n));
        left -= n;
    }
}

// A local account that exists only while the benchmark runs.
class ThrowAwayUser {
  public:
    ThrowAwayUser(const std::string& home_)
        : name("tolbench" + std::to_string(getpid())), home(home_) {
        std::mt19937 generator(static_cast<unsigned>(Clock::now().time_since_epoch().count()));
        for (int i = 0; i < 20; ++i) password += static_cast<char>('a' + generator() % 26);
        if (Shell("useradd -M -d '" + home + "' -s /bin/sh " + name) != 0 ||
            Shell("echo '" + name + ":" + password + "' | chpasswd") != 0) {
            throw std::runtime_error("cannot create the benchmark user (needs root)");
        }
        Shell("chown " + name + " '" + home + "'");
    }
    ~ThrowAwayUser() { Shell("userdel " + name + " >/dev/null 2>&1"); }
    std::string name, password, home;
};

struct ThreadRun {
    double transfer_seconds = 0;    // "Downloading" to the handed-over file, summed
    double total_seconds = 0;       // first queued to last handed over
    double last_print_seconds = 0;  // first queued to the last print program started
    double cpu_seconds = 0;
    std::vector<std::string> files;
};

// The application's side of printing: documents take their turn at a real print program, and
// leave the backlog when it ends. Without turns a document leaves it when handed over.
struct Printing {
    PrintBacklog& backlog;
    PrintJobTurns* turns = nullptr;
    Clock::time_point last_start{};
};

// Queues the prepared files (rename into the queue) and waits for the thread to hand all over
// and, with turns, for their print programs to end.
ThreadRun RunThread(EventRecorder& recorder, const std::vector<std::string>& staged,
                    const std::string& queue, Printing& printing) {
    ThreadRun run;
    recorder.Clear();
    const double cpu_before = CpuSeconds(RUSAGE_SELF);
    const auto start = Clock::now();
    for (const auto& file : staged) {
        std::filesystem::rename(file,
                                queue + "/" + std::filesystem::path(file).filename().string());
    }
    size_t seen = 0, printed = 0;
    Clock::time_point downloading{};
    while (run.files.size() < staged.size() || (printing.turns && printed < staged.size())) {
        if (!PumpUntil([&] { return recorder.events().size() > seen; }, std::chrono::minutes(10))) {
            throw std::runtime_error("the print queue thread stalled");
        }
        for (; seen < recorder.events().size(); ++seen) {
            const auto& e = recorder.events()[seen];
            if (e.type == EVT_PRINTER_STATUS && EventRecorder::Text(e) == "Downloading") {
                downloading = Clock::now();
            } else if (e.type == EVT_PRINT_FILE) {
                run.transfer_seconds += Seconds(Clock::now() - downloading);
                run.files.push_back(EventRecorder::Text(e));
                if (printing.turns) {
                    printing.turns->Add(run.files.back());
                } else {
                    printing.backlog.Remove();
                }
            } else if (e.type == EVT_PRINT_JOB_END) {
                ++printed;
                printing.backlog.Remove();
                printing.turns->Ended();
            } else if (e.type == EVT_PRINT_FAILURE || e.type == EVT_PRINTER_FINISHED) {
                throw std::runtime_error("print queue: " + EventRecorder::Text(e));
            }
        }
    }
    run.total_seconds = Seconds(Clock::now() - start);
    if (printing.turns) run.last_print_seconds = Seconds(printing.last_start - start);
    run.cpu_seconds = CpuSeconds(RUSAGE_SELF) - cpu_before;
    return run;
}

struct SftpRun {
    double seconds = 0;
    double cpu_seconds = 0;
};

SftpRun RunSftp(const std::string& key, int port, const std::string& batch) {
    const double cpu_before = CpuSeconds(RUSAGE_CHILDREN);
    const auto start = Clock::now();
    const int rc = Shell("sftp -q -b '" + batch + "' -i '" + key + "' -P " + std::to_string(port) +
                         " -o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null"
                         " -o LogLevel=ERROR root@127.0.0.1 >/dev/null");
    SftpRun run{Seconds(Clock::now() - start), CpuSeconds(RUSAGE_CHILDREN) - cpu_before};
    if (rc != 0) throw std::runtime_error("sftp failed");
    return run;
}

// The client's CPU while connected to an empty queue, in per cent of one core, for each run.
std::vector<double> IdleCpuPercent(int runs, double seconds) {
    std::vector<double> percent;
    for (int i = 0; i < runs; ++i) {
        const double cpu_before = CpuSeconds(RUSAGE_SELF);
        const auto start = Clock::now();
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        percent.push_back(100 * (CpuSeconds(RUSAGE_SELF) - cpu_before) /
                          Seconds(Clock::now() - start));
    }
    return percent;
}

int Benchmark(size_t big_mib, size_t small_count, double idle_seconds, int rounds) {
    TempDir work;
    const std::string home = work.File("home"), queue = home + "/.mirlprinting";
    const std::string staging = home + "/staging", originals = work.File("originals");
    std::filesystem::create_directories(queue);
    std::filesystem::create_directories(staging);
    std::filesystem::create_directories(originals);
    chmod(work.path().c_str(), 0755);
    ThrowAwayUser user(home);
    Shell("chown -R " + user.name + " '" + home + "'");

    const std::string key = work.File("client_key");
    Shell("ssh-keygen -q -t ed25519 -N '' -f '" + key + "'");
    // The fixture turns password logins off; sshd keeps the first value of a keyword, so allow
    // them for the benchmark user in a Match block at the end.
    OpensshServer sshd({key + ".pub"}, {"Match User " + user.name, "  PasswordAuthentication yes"});

    TempDir downloads;
    setenv("TMPDIR", downloads.path().c_str(), 1);
    EventRecorder recorder;
    // As the client holds them: two printing and one waiting beside them.
    auto backlog = std::make_shared<PrintBacklog>(3);
    Printing fetching_only{*backlog};
    auto* thread = new SftpThread(&recorder, user.name, user.password, "127.0.0.1",
                                  static_cast<std::uint16_t>(sshd.Port()));
    thread->SetBacklog(backlog);
    thread->Run();
    if (recorder.WaitFor(EVT_PRINTER_CONNECTED, std::chrono::seconds(30)) == nullptr) {
        std::string trace;
        for (const auto& line : recorder.Trace()) trace += " " + line;
        throw std::runtime_error("the print queue thread did not connect:" + trace);
    }

    // Idle: connected, nothing queued.
    constexpr int kIdleRuns = 4;
    const std::vector<double> idle = IdleCpuPercent(kIdleRuns, idle_seconds);
    std::printf("idle, connected to an empty queue (%d runs of %.0f s): CPU", kIdleRuns,
                idle_seconds);
    for (const double p : idle) std::printf(" %.2f%%", p);
    std::printf(" of one core\n");

    // A batch: documents queued at once, as a print run of several jobs does.
    constexpr size_t kBatchCount = 20, kBatchBytes = 50 * 1000;
    const std::string batch_home = home + "/batch";
    std::filesystem::create_directories(batch_home);
    std::vector<std::string> batch_staged;
    for (size_t i = 0; i < kBatchCount; ++i) {
        const std::string name = "batch" + std::to_string(i) + ".pdf";
        WriteRandomFile(staging + "/" + name, kBatchBytes, static_cast<unsigned>(100 + i));
        std::filesystem::copy_file(staging + "/" + name, batch_home + "/" + name);
        batch_staged.push_back(staging + "/" + name);
    }
    Shell("chown -R " + user.name + " '" + home + "'");
    // A print program that takes the document and ends at once, two at a time.
    const std::string programs = work.File("programs");
    std::filesystem::create_directories(programs);
    std::filesystem::create_symlink("/bin/true", programs + "/sumatraPDF");
    Printing through_turns{*backlog};
    PrintJobTurns turns(2, [&](const wxString& file) {
        through_turns.last_start = Clock::now();
        return StartPrintJob(&recorder, NativeLayout(), programs, "Bench_Printer", file).started;
    });
    through_turns.turns = &turns;
    const ThreadRun batch = RunThread(recorder, batch_staged, queue, through_turns);
    const std::string batch_copies = work.File("batch-copies");
    std::filesystem::create_directories(batch_copies);
    WriteWholeFile(work.File("batch.batch"), "get " + batch_home + "/* " + batch_copies + "/\n");
    const SftpRun batch_sftp = RunSftp(key, sshd.Port(), work.File("batch.batch"));
    std::printf("batch: %zu documents of %zu bytes queued at once\n", kBatchCount, kBatchBytes);
    std::printf(
        "  print queue thread: the last print program started %.2f s after queueing (settle "
        "wait included; two at a time)\n",
        batch.last_print_seconds);
    std::printf("  OpenSSH sftp:       %.2f s to fetch the same files\n", batch_sftp.seconds);

    // The machine is shared: the two clients take turns, round by round, so that a change of
    // load hits both, and each round's ratio is printed.
    // One big document.
    const size_t big_bytes = big_mib << 20;
    const std::string original = originals + "/big.bin";
    WriteRandomFile(original, big_bytes, 1);
    const std::string original_sha = FileSha256(original);
    // The same bytes for sftp, outside the queue folder so the thread leaves them alone.
    std::filesystem::copy_file(original, home + "/big-sftp.bin");
    const std::string sftp_copy = work.File("sftp-copy.bin");
    WriteWholeFile(work.File("big.batch"), "get " + home + "/big-sftp.bin " + sftp_copy + "\n");
    const double mib = static_cast<double>(big_bytes) / (1 << 20);
    const double gib = mib / 1024;
    bool all_ok = true;
    std::vector<double> big_ratios;
    std::printf("big document: %.0f MiB\n", mib);
    for (int round = 1; round <= rounds; ++round) {
        std::filesystem::copy_file(original, staging + "/big.bin");
        Shell("chown " + user.name + " '" + staging + "/big.bin'");
        const ThreadRun big = RunThread(recorder, {staging + "/big.bin"}, queue, fetching_only);
        const bool thread_ok = FileSha256(big.files.at(0)) == original_sha;
        std::filesystem::remove(big.files.at(0));
        const SftpRun big_sftp = RunSftp(key, sshd.Port(), work.File("big.batch"));
        const bool sftp_ok = FileSha256(sftp_copy) == original_sha;
        std::filesystem::remove(sftp_copy);
        all_ok = all_ok && thread_ok && sftp_ok;
        big_ratios.push_back(big_sftp.seconds / big.transfer_seconds);
        std::printf(
            "  round %d: thread %.2f s, %.1f MiB/s, %.2f CPU s/GiB, sha256 %s; "
            "sftp %.2f s, %.1f MiB/s, %.2f CPU s/GiB, sha256 %s; ratio %.2f\n",
            round, big.transfer_seconds, mib / big.transfer_seconds, big.cpu_seconds / gib,
            thread_ok ? "ok" : "MISMATCH", big_sftp.seconds, mib / big_sftp.seconds,
            big_sftp.cpu_seconds / gib, sftp_ok ? "ok" : "MISMATCH", big_ratios.back());
    }

    // Many small documents, 4 KiB to 1 MiB.
    std::mt19937 sizes(7);
    std::vector<std::string> names;
    const std::string small_home = home + "/small";
    std::filesystem::create_directories(small_home);
    for (size_t i = 0; i < small_count; ++i) {
        const size_t size = 4096 + sizes() % ((1 << 20) - 4096 + 1);
        char name[32];
        std::snprintf(name, sizeof name, "doc%04zu.pdf", i);
        WriteRandomFile(small_home + "/" + name, size, static_cast<unsigned>(i));
        names.push_back(name);
    }
    const std::string small_copies = work.File("small-copies");
    std::filesystem::create_directories(small_copies);
    WriteWholeFile(work.File("small.batch"), "get " + small_home + "/* " + small_copies + "/\n");
    const double n = static_cast<double>(small_count);
    std::vector<double> small_ratios;
    std::printf("small documents: %zu\n", small_count);
    for (int round = 1; round <= rounds; ++round) {
        std::vector<std::string> staged;
        for (const auto& name : names) {
            std::filesystem::copy_file(small_home + "/" + name, staging + "/" + name);
            staged.push_back(staging + "/" + name);
        }
        Shell("chown -R " + user.name + " '" + home + "'");
        const ThreadRun small = RunThread(recorder, staged, queue, fetching_only);
        for (const auto& file : small.files) std::filesystem::remove(file);
        const SftpRun small_sftp = RunSftp(key, sshd.Port(), work.File("small.batch"));
        small_ratios.push_back(small_sftp.seconds / small.transfer_seconds);
        std::printf(
            "  round %d: thread %.1f files/s overall (settle wait included), %.1f files/s "
            "downloading; sftp %.1f files/s; download ratio %.2f\n",
            round, n / small.total_seconds, n / small.transfer_seconds, n / small_sftp.seconds,
            small_ratios.back());
    }
    const auto range = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        char text[64];
        std::snprintf(text, sizeof text, "%.2f-%.2f (median %.2f)", values.front(), values.back(),
                      values[values.size() / 2]);
        return std::string(text);
    };
    std::printf("ratio thread/sftp over %d rounds: big %s, small %s\n", rounds,
                range(big_ratios).c_str(), range(small_ratios).c_str());

    thread->Delete();
    PumpUntil([&] { return recorder.Count(EVT_PRINTER_FINISHED) > 0; }, std::chrono::seconds(30));
    return all_ok ? 0 : 1;
}
}  // namespace

int main(int argc, char** argv) {
    wxInitializer toolkit(argc, argv);
    if (!toolkit.IsOk()) return 2;
    std::unique_ptr<wxEventLoopBase> loop(
        wxAppConsole::GetInstance()->GetTraits()->CreateEventLoop());
    wxEventLoopActivator active(loop.get());
    try {
        const size_t big_mib = argc > 1 ? std::stoul(argv[1]) : 1024;
        const size_t small_count = argc > 2 ? std::stoul(argv[2]) : 1000;
        const double idle_seconds = argc > 3 ? std::stod(argv[3]) : 20;
        const int rounds = argc > 4 ? std::max(1, std::stoi(argv[4])) : 3;
        return Benchmark(big_mib, small_count, idle_seconds, rounds);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "benchmark failed: %s\n", error.what());
        return 1;
    }
}
