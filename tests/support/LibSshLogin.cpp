#include "support/LibSshLogin.h"

#include <pwd.h>
#include <unistd.h>

#include "session/LibsshConnection.h"
#include "support/TempDir.h"

std::string CurrentUserName() {
    const passwd* entry = getpwuid(getuid());
    return entry != nullptr ? entry->pw_name : "root";
}

std::string BuildKeyText(const std::string& name) {
    return ReadWholeFile(std::string(TOLLIVANCE_KEY_DIR) + "/" + name + ".pem");
}

LibSshSessionPtr LoginAsCurrentUser(int port) {
    auto connection =
        ConnectLibssh("127.0.0.1", static_cast<std::uint16_t>(port), CurrentUserName());
    AuthenticateWithKeyText(*connection, BuildKeyText("session_request_key"));
    return connection;
}
