#include "support/SampleRecords.h"

MirlNxLogin SampleLogin(const std::string& username, const std::string& password,
                        const std::string& link, const std::string& serial) {
    MirlNxLogin login;
    login.username = username;
    login.password = password;
    login.serial = serial;
    login.client_version = "tollivance-desktop-client-linux-v3.0.3";
    login.branding = "tollivance";
    login.depth = 24;
    login.protocol = "vnc";
    login.link = link;
    return login;
}
