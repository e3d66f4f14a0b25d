#include "support/LibSshLogin.h"

#include <pwd.h>
#include <unistd.h>

#include "net/LibsshConnection.h"
#include "support/TempDir.h"

std::string CurrentUserName() {
    const passwd* entry = getpwuid(getuid());
    return entry != nullptr ? entry->pw_name : "root";
}

std::string BuildKeyFile(const std::string& name) {
    // The deployment's own key files when the build was given them, else the generated ones.
    return name == "tunnel_key" ? TOLLIVANCE_TUNNEL_KEY_FILE : TOLLIVANCE_SESSION_REQUEST_KEY_FILE;
}

std::string BuildPublicKeyFile(const std::string& name) {
    return std::string(TOLLIVANCE_KEY_DIR) + "/" + name + ".pub";
}

std::string BuildKeyText(const std::string& name) {
    return ReadWholeFile(BuildKeyFile(name));
}

LibSshSessionPtr LoginAsCurrentUser(int port) {
    return ConnectLibssh({"127.0.0.1", static_cast<std::uint16_t>(port), CurrentUserName(), "",
                          BuildKeyText("session_request_key")});
}
