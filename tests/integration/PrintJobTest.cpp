#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "printing/MirlNxPrintJob.h"
#include "support/CupsServer.h"
#include "support/EventPump.h"
#include "support/EventRecorder.h"
#include "support/PrintQueueHelpers.h"

namespace {
// A working folder with the Linux print adapter, or with a stand-in under its name.
class WorkingFolder {
  public:
    WorkingFolder() {
        std::filesystem::copy_file(std::string(TOLLIVANCE_SOURCE_DIR) + "/bundle/linux/sumatraPDF",
                                   folder.File("sumatraPDF"));
        chmod(folder.File("sumatraPDF").c_str(), 0755);
    }
    explicit WorkingFolder(const std::string& stand_in_script) {
        WriteWholeFile(folder.File("sumatraPDF"), stand_in_script);
        chmod(folder.File("sumatraPDF").c_str(), 0755);
    }
    const std::string& path() const { return folder.path(); }

  private:
    TempDir folder;
};

std::string DownloadedFile(const TempDir& dir, const std::string& name, const std::string& bytes) {
    WriteWholeFile(dir.File(name), bytes);
    return dir.File(name);
}

bool WaitForFileContent(const std::string& path, const std::string& bytes) {
    return PumpUntil([&] { return FileExists(path) && ReadWholeFile(path) == bytes; },
                     std::chrono::seconds(30));
}
}  // namespace

TEST(PrintJob, DocumentComesOutOfTheCupsPrinterAndTheFileIsRemoved) {
    CupsServer cups;
    TempDir output, downloads;
    chmod(output.path().c_str(), 0777);  // the file backend writes as the scheduler's user
    ASSERT_EQ(cups.AddCapturePrinter("Office_Laser", output.File("office.prn")), 0);
    WorkingFolder working;
    EventRecorder recorder;
    const std::string document = "%!PS\n(tollivance) show showpage\n";
    const std::string file = DownloadedFile(downloads, "tmpA1", document);

    const PrintJobStart start =
        StartPrintJob(&recorder, LinuxLayout(), working.path(), "Office_Laser", file);
    ASSERT_TRUE(start.started) << start.message;
    ASSERT_NE(recorder.WaitFor(EVT_PRINT_JOB_END), nullptr);
    EXPECT_FALSE(FileExists(file));
    EXPECT_EQ(recorder.Count(EVT_PRINT_FAILURE), 0u);
    EXPECT_TRUE(WaitForFileContent(output.File("office.prn"), document))
        << "no output; see " << cups.Folder() << "/log/error_log";
}

// The document is off the server by then: a failed print keeps the only copy and says where.
TEST(PrintJob, FailedPrintKeepsTheFileReportsWhereAndReportsTheEnd) {
    CupsServer cups;
    TempDir downloads;
    WorkingFolder working;
    EventRecorder recorder;
    const std::string file = DownloadedFile(downloads, "tmpB2", "document");
    const PrintJobStart start =
        StartPrintJob(&recorder, LinuxLayout(), working.path(), "No_Such_Printer", file);
    ASSERT_TRUE(start.started) << start.message;
    ASSERT_NE(recorder.WaitFor(EVT_PRINT_JOB_END), nullptr);
    const auto failures = recorder.Of(EVT_PRINT_FAILURE);
    ASSERT_EQ(failures.size(), 1u);
    const std::string message = EventRecorder::Text(failures[0]);
    EXPECT_EQ(message.rfind("The print program failed (exit status ", 0), 0u) << message;
    EXPECT_NE(message.find("kept as " + file + "."), std::string::npos) << message;
    EXPECT_EQ(ReadWholeFile(file), "document");
}

TEST(PrintJob, MissingPrintProgramKeepsTheFileAndSaysWhyAndWhere) {
    TempDir empty_working, downloads;
    EventRecorder recorder;
    const std::string file = DownloadedFile(downloads, "tmpC3", "document");
    const PrintJobStart start =
        StartPrintJob(&recorder, LinuxLayout(), empty_working.path(), "Office", file);
    EXPECT_FALSE(start.started);
    EXPECT_NE(start.message.find("sumatraPDF"), std::string::npos) << start.message;
    EXPECT_NE(start.message.find("kept as " + file + "."), std::string::npos) << start.message;
    EXPECT_EQ(ReadWholeFile(file), "document");
    PumpFor(std::chrono::milliseconds(100));
    EXPECT_EQ(recorder.Count(EVT_PRINT_JOB_END), 0u);
}

TEST(PrintJob, TwoJobsRunAtOnceAndEachEndIsReportedWhenItsProgramEnds) {
    // Each stand-in run waits (bounded) until "<file>.go" appears, then ends.
    WorkingFolder working(
        "#!/bin/sh\nn=0\nwhile [ ! -e \"$3.go\" ] && [ $n -lt 600 ]; do sleep 0.05; "
        "n=$((n+1)); done\necho \"$2\" > \"$3.printed-on\"\n");
    TempDir downloads;
    EventRecorder recorder;
    const std::string first = DownloadedFile(downloads, "first", "1");
    const std::string second = DownloadedFile(downloads, "second", "2");
    ASSERT_TRUE(StartPrintJob(&recorder, LinuxLayout(), working.path(), "Desk Jet", first).started);
    ASSERT_TRUE(
        StartPrintJob(&recorder, LinuxLayout(), working.path(), "Desk Jet", second).started);

    WriteWholeFile(first + ".go", "");
    ASSERT_NE(recorder.WaitFor(EVT_PRINT_JOB_END), nullptr);
    EXPECT_FALSE(FileExists(first));
    EXPECT_TRUE(FileExists(second)) << "the second job must still be running";
    EXPECT_EQ(ReadWholeFile(first + ".printed-on"), "Desk Jet\n");  // blank kept intact

    WriteWholeFile(second + ".go", "");
    ASSERT_NE(recorder.WaitFor(EVT_PRINT_JOB_END), nullptr);
    EXPECT_FALSE(FileExists(second));
}

// A document queued for the user in the sandbox comes out of the local CUPS printer.
TEST(PrintJob, QueuedDocumentIsFetchedAndPrinted) {
    SandboxOptions options;
    options.print_queue = true;
    Sandbox sandbox(options);
    CupsServer cups;
    TempDir output;
    chmod(output.path().c_str(), 0777);
    ASSERT_EQ(cups.AddCapturePrinter("Front_Desk", output.File("desk.prn")), 0);
    WorkingFolder working;
    ScopedTempFolder temp;  // last: only downloads go there
    const std::string document = RandomBytes(200000, 9);
    QueuePrintFile(sandbox, "demo", "invoice.pdf", document);

    RunningSftpThread queue(sandbox.Port("print_queue"), "demo", "demo");
    const auto* printed = queue.events().WaitFor(EVT_PRINT_FILE);
    ASSERT_NE(printed, nullptr);
    const wxString local = printed->As<wxString>();
    EventRecorder jobs;
    ASSERT_TRUE(StartPrintJob(&jobs, LinuxLayout(), working.path(), "Front_Desk", local).started);
    ASSERT_NE(jobs.WaitFor(EVT_PRINT_JOB_END), nullptr);
    ASSERT_TRUE(queue.Stop());

    EXPECT_EQ(queue.FileTrace(),
              (std::vector<std::string>{"EVT_PRINTER_STATUS:Waiting for file",
                                        "EVT_PRINTER_STATUS:Downloading",
                                        "EVT_PRINT_FILE:" + std::string(local.utf8_str())}));
    EXPECT_FALSE(FileExists(std::string(local.utf8_str())));
    EXPECT_TRUE(WaitForFileContent(output.File("desk.prn"), document));
    EXPECT_TRUE(temp.Files().empty());
}
