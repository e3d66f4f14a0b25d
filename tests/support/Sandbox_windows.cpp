// Under Wine the test program cannot start the sandbox: the wrapper script starts one for each
// case on the Linux side (loopback is shared) and passes what a test needs to know of it in the
// environment: its ready line, and its state and PKI folders as Windows sees them (Z:).
#include <cstdlib>
#include <stdexcept>

#include "support/Sandbox.h"

namespace {
std::string Required(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        throw std::runtime_error(std::string(name) +
                                 " is not set: run this program through "
                                 "tests/windows/integration/integration_test.sh");
    }
    return value;
}
}  // namespace

Sandbox::Sandbox(const SandboxOptions& options)
    : state_dir(Required("TOLLIVANCE_SANDBOX_STATE")),
      pki_dir(Required("TOLLIVANCE_SANDBOX_PKI")),
      ready(nlohmann::json::parse(Required("TOLLIVANCE_SANDBOX_READY"))) {
    const struct {
        bool wanted;
        const char* port;
    } sides[] = {{options.https, "https"},
                 {options.ssh, "ssh"},
                 {options.print_queue, "print_queue"},
                 {options.desktop, "desktop"},
                 {options.drives, "ftp"},
                 {options.nx, "nx"},
                 {options.desktop_ssh, "desktop_ssh"}};
    for (const auto& side : sides) {
        if (side.wanted && !ready.contains(side.port)) {
            throw std::runtime_error(std::string("the running sandbox does not serve \"") +
                                     side.port + "\"");
        }
    }
    SetScenario(options.scenario);
}
