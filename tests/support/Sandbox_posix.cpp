#include "support/Sandbox.h"

// Starts the sandbox for this test in a state folder of its own.
Sandbox::Sandbox(const SandboxOptions& options)
    : own_state(std::in_place), state_dir(own_state->path()), pki_dir(TOLLIVANCE_PKI_DIR) {
    SetScenario(options.scenario);
    std::vector<std::string> argv = {"/usr/bin/python3",
                                     std::string(TOLLIVANCE_SOURCE_DIR) + "/sandbox/run_sandbox.py",
                                     "--state-dir",
                                     state_dir,
                                     "--pki",
                                     pki_dir,
                                     "--exit-with-stdin",
                                     "--keys",
                                     TOLLIVANCE_KEY_DIR};
    if (options.https) argv.push_back("--https");
    if (options.ssh) argv.push_back("--ssh");
    if (options.print_queue) argv.push_back("--print-queue");
    if (options.desktop) argv.push_back("--desktop");
    if (options.drives) argv.push_back("--drives");
    if (options.nx) argv.push_back("--nx");
    if (options.desktop_ssh) argv.push_back("--desktop-ssh");
    process = std::make_shared<ChildProcess>(argv);
    ready = nlohmann::json::parse(process->WaitForLine("READY ", std::chrono::seconds(30)));
}
