#include "platform/CommandLine.h"

std::string QuoteArgument(const std::string& argument, bool always) {
    if (!always && !argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) {
        return argument;
    }
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a double quote escape it, so they are doubled and the quote
        // escaped; elsewhere they stand for themselves.
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + '"';
}

CommandLine::CommandLine(const std::string& program)
    : arguments{program}, text(QuoteArgument(program)) {}

CommandLine& CommandLine::Add(const std::string& argument) {
    arguments.push_back(argument);
    text += ' ' + QuoteArgument(argument);
    return *this;
}

CommandLine& CommandLine::AddQuoted(const std::string& argument) {
    arguments.push_back(argument);
    text += ' ' + QuoteArgument(argument, true);
    return *this;
}

CommandLine& CommandLine::AddBlank() {
    text += ' ';
    return *this;
}

CommandLine& CommandLine::Hiding(const std::string& secret) {
    if (!secret.empty()) secrets.push_back(secret);
    return *this;
}

std::string CommandLine::Shown() const {
    std::string shown;
    for (std::string argument : arguments) {
        for (const std::string& secret : secrets) {
            for (std::size_t at = 0; (at = argument.find(secret, at)) != std::string::npos;) {
                argument.replace(at, secret.size(), "***");
                at += 3;
            }
        }
        shown += (shown.empty() ? "" : " ") + QuoteArgument(argument);
    }
    return shown;
}
