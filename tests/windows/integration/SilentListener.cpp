#include "SilentListener.h"

#include <winsock2.h>

#include <stdexcept>

SilentListener::SilentListener() {
    socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket == INVALID_SOCKET) throw std::runtime_error("socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(socket, 8) != 0 ||
        getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(socket);
        throw std::runtime_error("the silent listener could not listen");
    }
    port = ntohs(address.sin_port);
}

SilentListener::~SilentListener() {
    closesocket(socket);
}
