// Pushes a payload each way through three paths to one loopback peer and prints MiB/s, the
// forwarding side's CPU seconds per GiB and the tunnel's ratios to `ssh -L`:
//   raw     the peer directly (baseline)
//   tunnel  an SshTunnel thread over an in-process libssh connection to a private sshd
//   ssh -L  OpenSSH's client forwarding through the same sshd
// Then a 200-byte ping-pong for latency.
// Usage: tunnel_benchmark [MiB each way, 1024] [rounds, 8]
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/apptrait.h>
#include <wx/evtloop.h>
#include <wx/init.h>

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "records/Events.h"
#include "support/ChildProcess.h"
#include "support/EventPump.h"
#include "support/EventRecorder.h"
#include "support/LibSshLogin.h"
#include "support/OpensshServer.h"
#include "support/TcpPeer.h"
#include "tunnel/SshTunnel.h"

namespace {
using Clock = std::chrono::steady_clock;
constexpr size_t kChunk = 128 * 1024;
constexpr int kPingMessage = 200;
constexpr int kPingRounds = 2000;

bool ReceiveAll(int fd, char* buffer, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t got = recv(fd, buffer + done, size - done, 0);
        if (got <= 0) return false;
        done += static_cast<size_t>(got);
    }
    return true;
}

bool Drain(int fd, std::uint64_t size) {
    std::vector<char> buffer(kChunk);
    while (size > 0) {
        const ssize_t got = recv(fd, buffer.data(), std::min<std::uint64_t>(size, kChunk), 0);
        if (got <= 0) return false;
        size -= static_cast<std::uint64_t>(got);
    }
    return true;
}

bool Pour(int fd, std::uint64_t size) {
    std::string chunk(kChunk, 'q');
    while (size > 0) {
        const size_t part = static_cast<size_t>(std::min<std::uint64_t>(size, kChunk));
        if (!SendAll(fd, chunk.substr(0, part))) return false;
        size -= part;
    }
    return true;
}

// The peer: a command byte and a 64-bit count. 'U': read count bytes, answer "k".
// 'D': send count bytes. 'P': echo count messages of kPingMessage bytes.
void ServeCommand(int fd) {
    char command = 0;
    std::uint64_t count = 0;
    if (!ReceiveAll(fd, &command, 1) || !ReceiveAll(fd, reinterpret_cast<char*>(&count), 8)) {
        return;
    }
    if (command == 'U') {
        if (Drain(fd, count)) SendAll(fd, "k");
    } else if (command == 'D') {
        Pour(fd, count);
    } else if (command == 'P') {
        char message[kPingMessage];
        for (std::uint64_t i = 0; i < count; ++i) {
            if (!ReceiveAll(fd, message, sizeof message) ||
                !SendAll(fd, std::string(message, sizeof message))) {
                return;
            }
        }
    }
    char rest;
    recv(fd, &rest, 1, 0);  // wait for the client to close
}

bool SendCommand(int fd, char command, std::uint64_t count) {
    std::string header(1, command);
    header.append(reinterpret_cast<const char*>(&count), 8);
    return SendAll(fd, header);
}

double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

double ClockSeconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double ProcessCpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string skip;
    for (int i = 3; i < 14; ++i) fields >> skip;
    double user = 0;
    double system = 0;
    fields >> user >> system;
    return (user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

struct Transfer {
    std::uint64_t bytes = 0;
    double seconds = 0;
    double cpu_seconds = 0;  // forwarding side only; 0 for the baseline

    void Add(const Transfer& other) {
        bytes += other.bytes;
        seconds += other.seconds;
        cpu_seconds += other.cpu_seconds;
    }
    double MibPerSecond() const { return static_cast<double>(bytes) / 1048576.0 / seconds; }
    double CpuPerGib() const { return cpu_seconds * 1073741824.0 / static_cast<double>(bytes); }
};

struct PathResult {
    Transfer up;
    Transfer down;
    double ping_microseconds = 0;
};

// One connection through a path: connect() gives a connected socket, cpu() reads the
// forwarding side's CPU seconds (while the connection is open).
struct Path {
    std::function<int()> connect;
    std::function<double()> cpu;
    std::function<void()> done;  // after the connection is closed
};

Transfer Push(const Path& path, char direction, std::uint64_t bytes) {
    const int fd = path.connect();
    if (fd < 0) throw std::runtime_error("cannot connect");
    const double cpu_before = path.cpu();
    const auto start = Clock::now();
    bool ok = SendCommand(fd, direction, bytes);
    if (direction == 'U') {
        char answer = 0;
        ok = ok && Pour(fd, bytes) && ReceiveAll(fd, &answer, 1) && answer == 'k';
    } else {
        ok = ok && Drain(fd, bytes);
    }
    const double elapsed = Seconds(Clock::now() - start);
    const double cpu = path.cpu() - cpu_before;
    close(fd);
    path.done();
    if (!ok) throw std::runtime_error("transfer broke off");
    return {bytes, elapsed, cpu};
}

double PingPong(const Path& path) {
    const int fd = path.connect();
    if (fd < 0) throw std::runtime_error("cannot connect");
    bool ok = SendCommand(fd, 'P', kPingRounds);
    std::string message(kPingMessage, 'p');
    char answer[kPingMessage];
    const auto start = Clock::now();
    for (int i = 0; ok && i < kPingRounds; ++i) {
        ok = SendAll(fd, message) && ReceiveAll(fd, answer, sizeof answer);
    }
    const double elapsed = Seconds(Clock::now() - start);
    close(fd);
    path.done();
    if (!ok) throw std::runtime_error("ping-pong broke off");
    return elapsed * 1e6 / kPingRounds;
}

// The payload goes in rounds, alternating between the paths (and which goes first), so a busy
// moment of this shared machine hits every path alike.
std::vector<PathResult> Measure(const std::vector<Path>& paths, std::uint64_t bytes, int rounds) {
    std::vector<PathResult> results(paths.size());
    const std::uint64_t part = bytes / static_cast<std::uint64_t>(rounds);
    for (int round = 0; round < rounds; ++round) {
        for (char direction : {'U', 'D'}) {
            for (size_t i = 0; i < paths.size(); ++i) {
                const size_t which = round % 2 == 0 ? i : paths.size() - 1 - i;
                const std::uint64_t size = round + 1 == rounds ? bytes - part * (rounds - 1) : part;
                const Transfer transfer = Push(paths[which], direction, size);
                (direction == 'U' ? results[which].up : results[which].down).Add(transfer);
            }
        }
    }
    for (size_t i = 0; i < paths.size(); ++i) results[i].ping_microseconds = PingPong(paths[i]);
    return results;
}

// Each connection gets its own tunnel thread over its own libssh connection, as a session would.
class TunnelPath {
  public:
    TunnelPath(int sshd_port, int peer_port) : sshd_port(sshd_port), peer_port(peer_port) {}

    Path Get() {
        return {[this] { return Open(); },
                [this] { return tunnel_clock_ok ? ClockSeconds(tunnel_clock) : 0.0; },
                [this] { Finish(); }};
    }

    std::string Cipher() const { return cipher; }

  private:
    int Open() {
        auto connection = LoginAsCurrentUser(sshd_port);
        cipher = ssh_get_cipher_out(connection->get());
        watch = connection;
        MirlNxSession session;
        session.host = "127.0.0.1";
        session.port = static_cast<std::uint16_t>(peer_port);
        auto* tunnel = new SshTunnel(&recorder, std::move(connection), session);
        if (tunnel->Run() != wxTHREAD_NO_ERROR) throw std::runtime_error("tunnel did not start");
        tunnel_clock_ok =
            pthread_getcpuclockid(static_cast<pthread_t>(tunnel->GetId()), &tunnel_clock) == 0;
        if (recorder.WaitFor(EVT_SESSION_READY) == nullptr) {
            throw std::runtime_error("tunnel did not listen");
        }
        return ConnectLoopback(peer_port + 4000);
    }

    void Finish() {
        tunnel_clock_ok = false;
        if (!PumpUntil([this] { return watch.expired(); }, std::chrono::seconds(30))) {
            throw std::runtime_error("tunnel thread did not end");
        }
    }

    int sshd_port;
    int peer_port;
    EventRecorder recorder;
    std::weak_ptr<LibSshSession> watch;
    clockid_t tunnel_clock{};
    bool tunnel_clock_ok = false;
    std::string cipher;
};

void PrintRow(const char* name, const PathResult& r) {
    std::printf("%-8s %10.1f %10.1f %14.3f %14.3f %10.1f\n", name, r.up.MibPerSecond(),
                r.down.MibPerSecond(), r.up.CpuPerGib(), r.down.CpuPerGib(), r.ping_microseconds);
}

int Run(std::uint64_t mib, int rounds) {
    const std::uint64_t bytes = mib * 1024 * 1024;
    OpensshServer sshd(
        {BuildPublicKeyFile("session_request_key"), BuildPublicKeyFile("tunnel_key")});
    // The tunnel listens on the peer's port + 4000: pick a peer port where that is free.
    std::unique_ptr<TcpPeer> peer;
    for (int attempt = 0; attempt < 50 && !peer; ++attempt) {
        peer = std::make_unique<TcpPeer>(ServeCommand);
        const int tunnel_port = peer->Port() + 4000;
        const int probe = tunnel_port <= 65535 ? ConnectLoopback(tunnel_port) : 0;
        if (tunnel_port > 65535 || probe >= 0) {
            if (probe > 0) close(probe);
            peer.reset();
        }
    }
    if (!peer) throw std::runtime_error("no usable peer port");

    const Path raw{[&] { return ConnectLoopback(peer->Port()); }, [] { return 0.0; }, [] {}};

    TunnelPath tunnel_path(sshd.Port(), peer->Port());
    const Path tunnel = tunnel_path.Get();
    // Learn the cipher libssh negotiates, so OpenSSH's client uses the same one.
    PingPong(tunnel);

    const int forward_port = FreeLoopbackPort();
    ChildProcess ssh(
        {"ssh",      "-N",
         "-o",       "BatchMode=yes",
         "-o",       "StrictHostKeyChecking=no",
         "-o",       "UserKnownHostsFile=/dev/null",
         "-o",       "LogLevel=ERROR",
         "-o",       "ExitOnForwardFailure=yes",
         "-c",       tunnel_path.Cipher(),
         "-i",       BuildKeyFile("tunnel_key"),
         "-p",       std::to_string(sshd.Port()),
         "-l",       CurrentUserName(),
         "-L",       std::to_string(forward_port) + ":127.0.0.1:" + std::to_string(peer->Port()),
         "127.0.0.1"});
    // WaitForListener's probe connection reaches the peer through ssh; that is harmless.
    if (!WaitForListener(forward_port, 15000)) throw std::runtime_error("ssh -L did not listen");
    const Path openssh{[&] { return ConnectLoopback(forward_port); },
                       [&] { return ProcessCpuSeconds(ssh.pid()); }, [] {}};

    std::printf("payload %" PRIu64
                " MiB each way per path in %d rounds; cipher %s; "
                "ping-pong %d x %d bytes\n",
                mib, rounds, tunnel_path.Cipher().c_str(), kPingRounds, kPingMessage);
    const auto results = Measure({raw, openssh, tunnel}, bytes, rounds);
    const PathResult& ssh_result = results[1];
    const PathResult& tunnel_result = results[2];

    std::printf("%-8s %10s %10s %14s %14s %10s\n", "path", "up MiB/s", "down MiB/s", "up CPU s/GiB",
                "down CPU s/GiB", "ping us");
    PrintRow("raw", results[0]);
    PrintRow("ssh -L", ssh_result);
    PrintRow("tunnel", tunnel_result);
    const double up_ratio = tunnel_result.up.MibPerSecond() / ssh_result.up.MibPerSecond();
    const double down_ratio = tunnel_result.down.MibPerSecond() / ssh_result.down.MibPerSecond();
    std::printf("tunnel / ssh -L throughput: up %.2f, down %.2f (goal >= 0.90 each): %s\n",
                up_ratio, down_ratio, up_ratio >= 0.9 && down_ratio >= 0.9 ? "met" : "NOT met");
    std::printf("tunnel / ssh -L CPU per GiB: up %.2f, down %.2f; ping-pong latency %.2f\n",
                tunnel_result.up.CpuPerGib() / ssh_result.up.CpuPerGib(),
                tunnel_result.down.CpuPerGib() / ssh_result.down.CpuPerGib(),
                tunnel_result.ping_microseconds / ssh_result.ping_microseconds);
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    wxInitializer toolkit(argc, argv);
    if (!toolkit.IsOk()) return 2;
    std::unique_ptr<wxEventLoopBase> loop(
        wxAppConsole::GetInstance()->GetTraits()->CreateEventLoop());
    wxEventLoopActivator active(loop.get());
    const std::uint64_t mib = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 8;
    if (mib == 0 || rounds <= 0) {
        std::fprintf(stderr, "usage: tunnel_benchmark [MiB each way, 1024] [rounds, 8]\n");
        return 2;
    }
    try {
        return Run(mib, rounds);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tunnel_benchmark: %s\n", error.what());
        return 1;
    }
}
