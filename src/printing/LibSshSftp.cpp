#include "printing/LibSshSftp.h"

#include <utility>

LibSshSftp::LibSshSftp(LibSshSessionPtr connection_)
    : sftp(nullptr), connection(std::move(connection_)) {
    if (connection && *connection) sftp = sftp_new(connection->get());
}

LibSshSftp::~LibSshSftp() {
    if (sftp != nullptr) sftp_free(sftp);
    connection.reset();
}
