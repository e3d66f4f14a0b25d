#pragma once

#include <wx/stream.h>

// POSIX: the client's ends of a child program's standard streams, each owning its descriptor.

// Reads what the program writes. CanRead() says whether a read would return at once (with
// data, or with the end of the output) and never blocks.
class PipeInputStream : public wxInputStream {
  public:
    explicit PipeInputStream(int fd) : fd(fd) {}
    ~PipeInputStream() override;
    PipeInputStream(const PipeInputStream&) = delete;
    PipeInputStream& operator=(const PipeInputStream&) = delete;

    bool CanRead() const override;

  protected:
    size_t OnSysRead(void* buffer, size_t size) override;

  private:
    int fd;
};

// The program's input, which the client writes nothing to: it holds the pipe open until it is
// deleted (wxProcess::CloseOutput), and the program then reads the end of its input. A write
// is refused rather than risk SIGPIPE from a program that has ended.
class PipeOutputStream : public wxOutputStream {
  public:
    explicit PipeOutputStream(int fd) : fd(fd) {}
    ~PipeOutputStream() override;
    PipeOutputStream(const PipeOutputStream&) = delete;
    PipeOutputStream& operator=(const PipeOutputStream&) = delete;

  protected:
    size_t OnSysWrite(const void* buffer, size_t size) override;

  private:
    int fd;
};
