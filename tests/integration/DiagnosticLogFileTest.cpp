// What the diagnostic log's file is on a POSIX system: private to its owner, never a link's
// target, never a pipe.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "platform/DiagnosticLog.h"
#include "support/OtherUser.h"
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

// Another user's link at the older name in a shared sticky folder (the test, as root, plants it;
// the log runs as an ordinary user): a rename cannot replace it, and nothing is written through
// it. The rotation ends the log with one line instead of retrying or growing past its bound.
TEST(DiagnosticLogPosixFile, ARotationOverAnotherUsersLinkEndsTheLogWithOneLine) {
    TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 01777), 0);
    const std::string path = dir.File("client.log");
    const std::string victim = dir.File("chosen-by-the-other-user");
    ASSERT_EQ(::symlink(victim.c_str(), (path + ".1").c_str()), 0);
    OtherUser client_user;
    const passwd* account = ::getpwnam(client_user.name().c_str());
    ASSERT_NE(account, nullptr);

    std::vector<bool> written;
    testing::internal::CaptureStderr();
    ASSERT_EQ(::seteuid(account->pw_uid), 0);
    {
        DiagnosticLog log(path, 100);
        for (int i = 0; i < 10; ++i)
            written.push_back(log.Write("line number " + std::to_string(i)));
    }
    ASSERT_EQ(::seteuid(0), 0);
    const std::string error = testing::internal::GetCapturedStderr();

    EXPECT_FALSE(FileExists(victim));
    struct stat status {};
    ASSERT_EQ(::lstat((path + ".1").c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    EXPECT_LE(ReadWholeFile(path).size(), 100u);
    EXPECT_EQ(written,
              (std::vector<bool>{true, true, true, true, true, false, false, false, false, false}));
    EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 1) << error;
    EXPECT_NE(error.find("cannot be rotated"), std::string::npos) << error;
}
}  // namespace
