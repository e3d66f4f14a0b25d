#pragma once

#include <string>

#include "records/Records.h"

// A login as the application builds it on this platform, with the given credentials.
MirlNxLogin SampleLogin(const std::string& username = "alice",
                        const std::string& password = "pa\"ss/\x7f",
                        const std::string& link = "wan",
                        const std::string& serial = std::string(64, 'a'));
