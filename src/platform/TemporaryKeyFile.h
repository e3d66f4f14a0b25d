#pragma once

#include <string>

// A private key written to a new, uniquely named file in a folder, readable and writable by
// its owner only, and removed when this object goes (on every path, throws included).
class TemporaryKeyFile {
  public:
    // Throws a std::string message when the file cannot be created or written.
    TemporaryKeyFile(const std::string& folder, const std::string& pem);
    ~TemporaryKeyFile();
    TemporaryKeyFile(const TemporaryKeyFile&) = delete;
    TemporaryKeyFile& operator=(const TemporaryKeyFile&) = delete;

    const std::string& path() const { return file_path; }
    void Remove();

  private:
    std::string file_path;
};
