#include <gtest/gtest.h>

#include <string>

#include "app/DownloadsName.h"
#include "platform/ProgramLayout.h"
#include "printing/FolderSafeName.h"
#include "printing/PrintCommandLine.h"

struct SafeNameCase {
    std::string user;
    std::string account;
};

TEST(FolderSafeName, MapsEveryByteAsTheAccountNamesExpect) {
    const SafeNameCase cases[] = {
        {"ann.lee-2", "ann_dot_lee-2"},
        {"ann lee", "ann_lee"},
        {"ann_lee", "ann_lee"},
        {"ann@example.org", "ann_at_example_dot_org"},
        {"J\xC3\xBCrgen", "J__rgen"},  // one two-byte character, two underscores
        {"", ""},
        {"AZaz09-", "AZaz09-"},
        {"a/../b\\c", "a__dot__dot__b_c"},
        {"x\xE2\x82\xAC", "x___"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FolderSafeName(c.user), c.account) << "user name: " << c.user;
    }
}

struct CommandCase {
    ProgramLayout layout;
    std::string working_folder;
    std::string printer;
    std::string file;
    std::string expected;
};

TEST(PrintCommandLine, KeepsPrinterAndFileIntactInQuotes) {
    const CommandCase cases[] = {
        {WindowsLayout(), "C:\\Tollivance", "HP LaserJet 4 (Office)",
         "C:\\Users\\ann\\AppData\\Local\\Temp\\tol1234.tmp",
         "C:\\Tollivance\\sumatraPDF.exe -print-to \"HP LaserJet 4 (Office)\" "
         "\"C:\\Users\\ann\\AppData\\Local\\Temp\\tol1234.tmp\""},
        {LinuxLayout(), "/opt/tollivance", "Office Laser", "/tmp/abcXYZ",
         "/opt/tollivance/sumatraPDF -print-to \"Office Laser\" \"/tmp/abcXYZ\""},
        {LinuxLayout(), "/opt/tollivance", "", "/tmp/a b",
         "/opt/tollivance/sumatraPDF -print-to \"\" \"/tmp/a b\""},
        // A blank in the working folder must not split the program path.
        {WindowsLayout(), "C:\\Program Files\\Tollivance", "PDF", "C:\\t\\f.tmp",
         "\"C:\\Program Files\\Tollivance\\sumatraPDF.exe\" -print-to \"PDF\" \"C:\\t\\f.tmp\""},
        {LinuxLayout(), "/home/ann/my apps", "lp0", "/tmp/f",
         "\"/home/ann/my apps/sumatraPDF\" -print-to \"lp0\" \"/tmp/f\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PrintCommandLine(c.layout, c.working_folder, c.printer, c.file).Text(),
                  c.expected);
    }
}

struct DownloadsNameCase {
    std::string remote;
    std::string file;
};

TEST(DownloadsName, ServerNamesBecomeFileNamesFitForLinuxAndWindows) {
    const std::string euro = "\xE2\x82\xAC";
    std::string euros, kept_euros;
    for (int i = 0; i < 60; ++i) euros += euro;
    for (int i = 0; i < 48; ++i) kept_euros += euro;  // 144 bytes and ".pdf" within 150
    const DownloadsNameCase cases[] = {
        {"Q3 report.pdf", "Q3 report.pdf"},
        {"Bericht \xC3\xBC"
         "ber.pdf",
         "Bericht \xC3\xBC"
         "ber.pdf"},
        {"../../etc/passwd", "_.._etc_passwd"},
        {"a\\b:c*d?e\"f<g>h|i.pdf", "a_b_c_d_e_f_g_h_i.pdf"},
        {"two\nlines\x1b\x7f.pdf", "two lines.pdf"},
        {"\xE2\x80\xAE"
         "fdp.exe \xD8\x9C.txt",
         "fdp.exe .txt"},
        {"bad \xFF\xC3.pdf", "bad __.pdf"},
        {"CON", "_CON"},
        {"con.txt", "_con.txt"},
        {"Lpt9.tar.gz", "_Lpt9.tar.gz"},
        {"COM1 .pdf", "_COM1 .pdf"},
        {"COM\xC2\xB9.pdf", "_COM\xC2\xB9.pdf"},
        {"CONSOLE.pdf", "CONSOLE.pdf"},
        {"COM10", "COM10"},
        {"report.pdf. . ", "report.pdf"},
        {" ..hidden.pdf", "hidden.pdf"},
        {"", "document"},
        {". .. ", "document"},
        {std::string(200, 'x') + ".pdf", std::string(146, 'x') + ".pdf"},
        {euros + ".pdf", kept_euros + ".pdf"},
        // Too long to be an extension: cut like the rest.
        {std::string(140, 'y') + ".a-long-extension", std::string(140, 'y') + ".a-long-ex"},
        {std::string(148, 'z') + " . .x y z", std::string(148, 'z')},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DownloadsName(c.remote), c.file) << "remote name: " << c.remote;
    }
    EXPECT_EQ(NumberedName("Q3 report.pdf", 1), "Q3 report.pdf");
    EXPECT_EQ(NumberedName("Q3 report.pdf", 2), "Q3 report (2).pdf");
    EXPECT_EQ(NumberedName("README", 12), "README (12)");
    EXPECT_EQ(NumberedName("v2. final draft", 3), "v2. final draft (3)");
    EXPECT_EQ(AsciiName("Bericht \xC3\xBC"
                        "ber " +
                        euro + ".pdf"),
              "Bericht _ber _.pdf");
}
