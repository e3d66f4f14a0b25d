#include "net/ForwardingSsh.h"

std::string SshForwardArgument(const SshForward& forward) {
    const bool ipv6 = forward.host.find(':') != std::string::npos;
    return std::to_string(forward.local_port) + ":" +
           (ipv6 ? "[" + forward.host + "]" : forward.host) + ":" +
           std::to_string(forward.remote_port);
}

CommandLine ForwardingSshLine(const std::string& program, const std::vector<std::string>& leading,
                              const std::string& key_file, const std::vector<SshForward>& forwards,
                              const std::vector<std::string>& trailing) {
    CommandLine command(program);
    command.Add("-o").Add("UserKnownHostsFile=/dev/null").Add("-o").Add("StrictHostKeyChecking=no");
    // A local port another user of the computer holds ends ssh, rather than leave that user's
    // listener to receive the drives' and the desktop's traffic.
    command.Add("-o").Add("ExitOnForwardFailure=yes");
    for (const std::string& argument : leading) command.Add(argument);
    command.Add("-i").Add(key_file).Add("-l").Add("mirlnx");
    for (const SshForward& forward : forwards) command.Add("-L").Add(SshForwardArgument(forward));
    for (const std::string& argument : trailing) command.Add(argument);
    return command;
}
