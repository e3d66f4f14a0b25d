// What the diagnostic log's file is on a POSIX system: private to its owner, never a link's
// target, never a pipe.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/DiagnosticLog.h"
#include "support/TempDir.h"

namespace {
mode_t Mode(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return status.st_mode & 0777;
}

TEST(DiagnosticLogPosixFile, RotatedFilesAreBothPrivate) {
    TempDir dir;
    const std::string path = dir.File("client.log");
    {
        DiagnosticLog log(path, 100);
        for (int i = 0; i < 10; ++i)
            log.Write("a line of some length, number " + std::to_string(i));
    }
    EXPECT_EQ(Mode(path), 0600u);
    EXPECT_EQ(Mode(path + ".1"), 0600u);
}

// A link planted at the path (to a file the user may write) is never followed, nor is a pipe
// opened, which would stall the client; an existing file is made private.
TEST(DiagnosticLogPosixFile, APlantedLinkOrPipeIsRefusedAndAnExistingFileMadePrivate) {
    TempDir dir;
    const std::string path = dir.File("client.log");
    const std::string target = dir.File("precious");
    WriteWholeFile(target, "keep\n");
    ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0);
    EXPECT_THROW(DiagnosticLog log(path), std::string);
    EXPECT_EQ(ReadWholeFile(target), "keep\n");

    const std::string pipe = dir.File("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_THROW(DiagnosticLog log(pipe), std::string);

    ::chmod(target.c_str(), 0644);
    DiagnosticLog(target).Write("appended");
    EXPECT_EQ(Mode(target), 0600u);
    EXPECT_EQ(ReadWholeFile(target).rfind("keep\n", 0), 0u);
}

}  // namespace
