#include <gtest/gtest.h>

#include <filesystem>

#include "platform/MachineIdentity.h"
#include "platform/ResourcesFolder.h"
#include "platform/XdgUserDirs.h"
#include "support/TempDir.h"

namespace {
TEST(ReadFirstMachineIdFile, FallsBackSkipsBlankLinesAndTrims) {
    TempDir dir;
    WriteWholeFile(dir.File("blank"), "\n  \n\t\r\n");
    WriteWholeFile(dir.File("padded"), "\n\n  4c4c4544004d3510  \r\nsecond-line\n");
    WriteWholeFile(dir.File("plain"), "0123456789abcdef");
    const std::string missing = dir.File("missing");
    const std::string blank = dir.File("blank");
    const std::string padded = dir.File("padded");
    const std::string plain = dir.File("plain");

    const struct {
        std::vector<std::string> paths;
        const char* expected;
    } cases[] = {
        {{missing, plain}, "0123456789abcdef"},
        {{padded, plain}, "4c4c4544004d3510"},
        {{blank, plain}, "0123456789abcdef"},
        {{missing, blank}, ""},
        {{missing, dir.path()}, ""},  // a folder is not a readable file
        {{}, ""},
    };
    for (const auto& c : cases) {
        std::vector<const char*> raw;
        for (const auto& p : c.paths) raw.push_back(p.c_str());
        EXPECT_EQ(ReadFirstMachineIdFile(raw.data(), static_cast<int>(raw.size())), c.expected)
            << "first path " << (c.paths.empty() ? "(none)" : c.paths[0]);
    }
}

TEST(ChooseResourcesFolder, ExecutableFolderFirstThenInstalledShareFolder) {
    TempDir root;
    const std::string bin = root.File("bin");
    const std::string share = root.File("share/tollivance");
    ASSERT_TRUE(std::filesystem::create_directories(bin));
    ASSERT_TRUE(std::filesystem::create_directories(share));

    EXPECT_EQ(ChooseResourcesFolder(bin), wxString(bin)) << "no pictures anywhere";
    WriteWholeFile(share + "/" + kBackgroundImageFile, "BM");
    EXPECT_EQ(ChooseResourcesFolder(bin), wxString(share));
    WriteWholeFile(bin + "/" + kBackgroundImageFile, "BM");
    EXPECT_EQ(ChooseResourcesFolder(bin), wxString(bin));
}

TEST(XdgDownloadDir, ReadsTheFileAsXdgUserDirDoes) {
    const struct {
        const char* text;
        const char* folder;
    } cases[] = {
        {"XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n", "/home/ann/Downloads"},
        {"# XDG_DOWNLOAD_DIR=\"/old\"\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
         "  XDG_DOWNLOAD_DIR = \"/data/Neue Dateien\"\n",
         "/data/Neue Dateien"},
        {"XDG_DOWNLOAD_DIR=\"$HOME/a\\\"b\\\\c\"", "/home/ann/a\"b\\c"},
        {"XDG_DOWNLOAD_DIR=\"/first\"\nXDG_DOWNLOAD_DIR=\"/second\"\n", "/second"},
        {"XDG_DOWNLOAD_DIR=\"$HOME\"", "/home/ann"},
        {"XDG_DOWNLOAD_DIR=\"Downloads\"", ""},
        {"XDG_DOWNLOAD_DIR=\"$HOMEPATH/x\"", ""},
        {"XDG_DOWNLOAD_DIR=\"/no end", ""},
        {"XDG_DOWNLOAD_DIRS=\"/other\"", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(XdgDownloadDir(c.text, "/home/ann"), c.folder) << c.text;
}
}  // namespace
