#include <gtest/gtest.h>

#include <string>

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
