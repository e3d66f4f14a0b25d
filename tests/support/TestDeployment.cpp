#include "support/TestDeployment.h"

#include "support/LibSshLogin.h"
#include "support/Sandbox.h"
#include "support/TempDir.h"

Deployment& MutableTestDeployment() {
    static Deployment deployment{
        "https://127.0.0.1:" + std::to_string(TOLLIVANCE_SANDBOX_HTTPS_PORT),
        "https://127.0.0.1:" + std::to_string(TOLLIVANCE_SANDBOX_HTTPS_PORT),
        "127.0.0.1:" + std::to_string(TOLLIVANCE_SANDBOX_HTTPS_PORT),
        "127.0.0.1",
        TOLLIVANCE_SANDBOX_PRINT_PORT,
        std::string(TOLLIVANCE_PKI_DIR) + "/ca.pem",
        BuildKeyText("session_request_key"),
        BuildKeyText("tunnel_key"),
    };
    return deployment;
}

const Deployment& BuiltInDeployment() {
    return MutableTestDeployment();
}

void UseSandbox(const Sandbox& sandbox) {
    Deployment& deployment = MutableTestDeployment();
    const auto& ready = sandbox.Ready();
    if (ready.contains("https")) {
        deployment.api_url = sandbox.BaseUrl();
        deployment.web_url = sandbox.BaseUrl();
        deployment.desktop_proxy = "127.0.0.1:" + std::to_string(sandbox.Port("https"));
    }
    if (ready.contains("print_queue")) {
        deployment.print_queue_host = "127.0.0.1";
        deployment.print_queue_port = static_cast<std::uint16_t>(sandbox.Port("print_queue"));
    }
    deployment.ca_bundle = sandbox.CaFile();
    SetTrustedCaBundle(deployment.ca_bundle);
}
