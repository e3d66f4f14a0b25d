#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "platform/LocaleText.h"
#include "ui/LinkSpeed.h"
#include "ui/PrinterSelection.h"

namespace {
TEST(LinkSpeedForProfile, EverySelection) {
    const struct {
        int selection;
        unsigned count;
        const char* word;
    } cases[] = {
        {0, 3, "modem"}, {1, 3, "adsl"}, {2, 3, "wan"},  {-1, 3, "adsl"},
        {-1, 0, "adsl"}, {0, 0, "adsl"}, {3, 3, "adsl"}, {2, 2, "adsl"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LinkSpeedForProfile(c.selection, c.count), c.word)
            << "selection " << c.selection << " of " << c.count;
    }
}

TEST(DefaultPrinterIndex, ExactCaseSensitiveFirstMatch) {
    const std::vector<wxString> names = {"HP LaserJet 4000 Series", "hp laserjet 4000 series",
                                         "Office_Laser", "Office_Laser"};
    const struct {
        const char* default_name;
        int index;
    } cases[] = {
        {"HP LaserJet 4000 Series", 0},
        {"hp laserjet 4000 series", 1},
        {"Office_Laser", 2},  // the first of two equal names
        {"HP LaserJet 4000", -1},
        {"HP LaserJet 4000 Series ", -1},
        {"", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DefaultPrinterIndex(names, c.default_name), c.index)
            << "default \"" << c.default_name << "\"";
    }
    EXPECT_EQ(DefaultPrinterIndex({}, "Office_Laser"), -1);
    EXPECT_EQ(DefaultPrinterIndex({""}, ""), -1) << "no default never selects an entry";
}

class CharacterLocale : public testing::Test {
  protected:
    void Use(const char* name) { ASSERT_NE(std::setlocale(LC_CTYPE, name), nullptr) << name; }
    void TearDown() override { std::setlocale(LC_CTYPE, saved.c_str()); }
    std::string saved = std::setlocale(LC_CTYPE, nullptr);
};

TEST_F(CharacterLocale, Utf8LocaleConvertsBothWays) {
    Use("C.UTF-8");
    const std::string bytes =
        "J\xC3\xB6rg Dru\xC3\xA7k 3 \xCE\xA0\xCE\xB1\xCF\x8D\xCE\xBB\xCE\xBF\xCF\x82 "
        "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD";
    const wxString wide = wxString::FromUTF8(bytes.c_str());
    EXPECT_EQ(ToLocaleBytes(wide), bytes);
    EXPECT_EQ(FromLocaleBytes(bytes), wide);
    EXPECT_EQ(ToLocaleBytes(""), "");
    EXPECT_EQ(FromLocaleBytes(""), "");
    // A folder named in another character set keeps its bytes, as the toolkit's file names do.
    EXPECT_EQ(ToLocaleBytes(FromLocaleBytes("/tmp/J\xFCrgen")), "/tmp/J\xFCrgen");
}

TEST_F(CharacterLocale, UnrepresentableTextBecomesEmptyAsAWhole) {
    Use("C");
    EXPECT_EQ(ToLocaleBytes("plain ascii"), "plain ascii");
    EXPECT_EQ(ToLocaleBytes(wxString::FromUTF8("abc\xC3\xA9xyz")), "");
    EXPECT_EQ(ToLocaleBytes(wxString::FromUTF8("\xE2\x82\xAC")), "");
    EXPECT_EQ(FromLocaleBytes("abc\xC3\xA9xyz"), "") << "bytes the locale cannot decode";
    EXPECT_EQ(FromLocaleBytes("Connecting..."), "Connecting...");
}

// A program path built on "" would start a program of the same name at the root.
TEST_F(CharacterLocale, AFolderTheLocaleCannotNameIsAnErrorThatNamesIt) {
    Use("C");
    EXPECT_EQ(LocaleFolderName("/opt/q"), "/opt/q");
    try {
        LocaleFolderName(wxString::FromUTF8("/home/j\xC3\xB6rg"));
        ADD_FAILURE() << "no error";
    } catch (const std::string& message) {
        EXPECT_EQ(message,
                  "The folder /home/j?rg cannot be named in this computer's character set; "
                  "nothing was started");
    }
}
}  // namespace
