#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/SavedDocument.h"
#include "support/EventRecorder.h"
#include "support/ScopedVariable.h"
#include "support/TempDir.h"

namespace {
// A name already taken, even by a link to nothing, is never written through: the next number
// is used, and the downloaded copy goes once saved. No XDG setting: ~/Downloads.
TEST(SavedDocument, TakenNamesAreLeftAloneAndTheCopyGoesOnceSaved) {
    TempDir home, fetched;
    const std::string downloads = home.File("Downloads");
    const ScopedVariable home_folder("HOME", home.path());
    const ScopedVariable no_config("XDG_CONFIG_HOME", std::nullopt);
    const ScopedVariable no_download_dir("XDG_DOWNLOAD_DIR", std::nullopt);
    std::filesystem::create_directory(downloads);
    WriteWholeFile(downloads + "/memo.pdf", "older");
    std::filesystem::create_symlink(fetched.File("elsewhere"), downloads + "/memo (2).pdf");
    const std::string file = fetched.File("tvA1");
    WriteWholeFile(file, "new memo");

    const DownloadsSave save = SaveInDownloads(file, "memo.pdf");
    EXPECT_EQ(save.problem, "");
    EXPECT_EQ(save.saved_as, wxString(downloads + "/memo (3).pdf"));
    EXPECT_EQ(ReadWholeFile(downloads + "/memo (3).pdf"), "new memo");
    EXPECT_EQ(ReadWholeFile(downloads + "/memo.pdf"), "older");
    EXPECT_FALSE(std::filesystem::exists(fetched.File("elsewhere")));
    EXPECT_FALSE(std::filesystem::exists(file));
}

// The document is off the server by then: a failed save keeps the only copy and says where.
TEST(SavedDocument, AFolderThatCannotBeMadeKeepsTheCopyAndSaysWhere) {
    TempDir config, fetched;
    const std::string downloads = config.File("a file") + "/Downloads";
    WriteWholeFile(config.File("a file"), "");
    WriteWholeFile(config.File("user-dirs.dirs"), "XDG_DOWNLOAD_DIR=\"" + downloads + "\"\n");
    const ScopedVariable config_home("XDG_CONFIG_HOME", config.path());
    const std::string file = fetched.File("tvB2");
    WriteWholeFile(file, "memo");
    EventRecorder recorder;

    SaveDocumentTurn(&recorder, file, nullptr);
    ASSERT_NE(recorder.WaitFor(EVT_PRINT_JOB_END), nullptr);
    const auto failures = recorder.Of(EVT_PRINT_FAILURE);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(EventRecorder::Text(failures[0]),
              "The Downloads folder " + downloads +
                  " cannot be made (Not a directory); the document was not saved and is kept as " +
                  file + ".");
    EXPECT_EQ(ReadWholeFile(file), "memo");
}
}  // namespace
