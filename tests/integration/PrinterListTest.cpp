#include <gtest/gtest.h>

#include "platform/Printers.h"
#include "support/CupsServer.h"

namespace {
std::vector<std::string> Utf8(const std::vector<wxString>& names) {
    std::vector<std::string> out;
    for (const wxString& n : names) out.push_back(n.utf8_string());
    return out;
}

TEST(PrinterList, EveryQueueInCupsOrderAndTheDefault) {
    CupsServer cups;
    // Queue names cannot hold blanks; these use the other characters CUPS accepts.
    for (const char* name : {"Office_Laser", "label-printer.2nd", "Front@Desk", "archive"}) {
        ASSERT_EQ(cups.AddPrinter(name), 0) << name;
    }
    ASSERT_EQ(cups.SetDefault("label-printer.2nd"), 0);
    EXPECT_EQ(
        Utf8(GetPrinterNames()),
        (std::vector<std::string>{"archive", "Front@Desk", "label-printer.2nd", "Office_Laser"}));
    EXPECT_EQ(GetDefaultPrinterName(), "label-printer.2nd");
    EXPECT_EQ(Utf8(GetPrinterNames()), Utf8(GetPrinterNames())) << "order is stable";
}

TEST(PrinterList, NoDefaultPrinter) {
    CupsServer cups;
    ASSERT_EQ(cups.AddPrinter("Office_Laser"), 0);
    EXPECT_EQ(Utf8(GetPrinterNames()), std::vector<std::string>{"Office_Laser"});
    EXPECT_EQ(GetDefaultPrinterName(), "");
}

TEST(PrinterList, NoPrinters) {
    CupsServer cups;
    EXPECT_TRUE(GetPrinterNames().empty());
    EXPECT_EQ(GetDefaultPrinterName(), "");
}

TEST(PrinterList, DeletedDefaultLeavesNoDefault) {
    CupsServer cups;
    ASSERT_EQ(cups.AddPrinter("Office_Laser"), 0);
    ASSERT_EQ(cups.AddPrinter("Hall-Copier"), 0);
    ASSERT_EQ(cups.SetDefault("Hall-Copier"), 0);
    ASSERT_EQ(cups.Run("lpadmin -x Hall-Copier"), 0);
    EXPECT_EQ(Utf8(GetPrinterNames()), std::vector<std::string>{"Office_Laser"});
    EXPECT_EQ(GetDefaultPrinterName(), "");
}
}  // namespace
