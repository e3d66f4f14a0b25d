#pragma once

#include <cstddef>
#include <string>

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return dir; }
    std::string File(const std::string& name) const { return dir + "/" + name; }

  private:
    std::string dir;
};

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// Random bytes from a fixed seed, so failures reproduce.
std::string RandomBytes(size_t count, unsigned seed);
