#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/ReplyFields.h"
#include "records/ShownText.h"

namespace {

struct Case {
    std::string text;
    bool accepted;
};

TEST(ReplyFields, HostsAreNamesOrAddresses) {
    const std::vector<Case> cases = {
        {"desk7", true},
        {"desk-7.example.com", true},
        {"127.0.0.1", true},
        {"::1", true},
        {"::", true},
        {"1::", true},
        {"2001:db8::7", true},
        {"1:2:3:4:5:6:7:8", true},
        {"::ffff:192.0.2.1", true},
        {"", false},
        {"-oProxyCommand=x", false},
        {"desk -v", false},
        {"desk\t7", false},
        {"-desk", false},
        {"desk-", false},
        {"a..b", false},
        {".desk", false},
        {"desk_7", true},
        {"_ldap._tcp.desk_top", true},
        {"desk_top.example.", true},
        {".", false},
        {"desk..", false},
        {"desk -v.", false},
        {"-desk.", false},
        {"desk?x", false},
        {"desk#x", false},
        {"desk@x", false},
        {"desk/7", false},
        {"desk:22", false},
        {"[::1]", false},
        {"1:2:3:4:5:6:7:8:9", false},
        {"1::2::3", false},
        {"1:2:3:4:5:6:7:", false},
        {":1", false},
        {"12345::", false},
        {"::ffff:300.1.1.1", false},
        {std::string(64, 'a') + ".example", false},
        {std::string(63, 'a') + ".example", true},
        {"d\xC3\xA9sk", false},
        {std::string("desk\0x", 6), false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsHostField(c.text), c.accepted) << c.text;
}

// A cookie is one argument on every system: only what would act as an option is refused.
TEST(ReplyFields, CookiesAreRefusedOnlyForRealHazards) {
    struct CookieCase {
        std::string text;
        bool vnc, nx;
    };
    const std::vector<CookieCase> cases = {
        {"sandbox-cookie", true, true},
        {"a/b=c+d_e.f~g:h@i", true, true},
        {"K00KIE -via 127.0.0.1", true, true},
        {"a \"b\" c\\d 'e'", true, true},
        {"\xC3\xA9", true, true},
        {"a,connect=x", true, false},  // the NX proxy's option string is split at commas
        {"-via", false, false},
        {"", false, false},
        {"a\nb", false, false},
        {std::string("a\0b", 3), false, false},
        {"a\x7f", false, false},
    };
    for (const CookieCase& c : cases) {
        EXPECT_EQ(IsCookieField(c.text, false), c.vnc) << c.text;
        EXPECT_EQ(IsCookieField(c.text, true), c.nx) << c.text;
    }
}

TEST(ReplyFields, ShownTextIsCutAtACharacterBoundary) {
    EXPECT_EQ(ShownText("short"), "short");
    EXPECT_EQ(ShownText(std::string(500, 'a')), std::string(500, 'a'));
    EXPECT_EQ(ShownText(std::string(501, 'a')), std::string(500, 'a') + "...");
    // "é" is two bytes; a cut inside it steps back before it
    EXPECT_EQ(ShownText("ab\xC3\xA9xyz", 3), "ab...");
    EXPECT_EQ(ShownText("ab\xC3\xA9xyz", 4), "ab\xC3\xA9...");
}

// What a server sends cannot hide, reorder or blank out the rest of a message box.
TEST(ReplyFields, ShownTextIsCleanUtf8OfBoundedLines) {
    const std::string replacement = "\xEF\xBF\xBD";
    const std::string greek_cyrillic = "C:\\\xCE\xA0\xCE\xB1\xCF\x8D\\\xD0\x98\xD0\xB2\\a.tmp";
    struct Case {
        const char* name;
        std::string text, shown;
    } cases[] = {
        {"controls",
         std::string("a\0b\x1B[2Jc\rd\x7F\xC2\x85"
                     "e\tf",
                     16),
         "ab[2Jcde f"},
        {"bidi overrides and isolates", "x\xE2\x80\xAEgpj.exe\xE2\x81\xA6y\xE2\x81\xA9",
         "xgpj.exey"},
        {"zero-width characters, marks, separators, byte-order mark",
         "Access\xE2\x80\x8B denied\xE2\x80\x8C\xE2\x80\x8D\xE2\x81\xA0\xD8\x9C\xE2\x80\x8E"
         "\xE2\x80\x8F\xE2\x80\xA8\xE2\x80\xA9\xEF\xBB\xBF.",
         "Access denied."},
        {"Greek and Cyrillic kept", greek_cyrillic, greek_cyrillic},
        {"a folder name that is not UTF-8", "kept as /tmp/J\xFCrgen M\xFCller/8347.tmp.",
         "kept as /tmp/J" + replacement + "rgen M" + replacement + "ller/8347.tmp."},
        {"invalid UTF-8", "ok \xFF\xC3 \xE2\x82 \xC0\xAF \xED\xA0\x80",
         "ok " + replacement + replacement + " " + replacement + replacement + " " + replacement +
             replacement + " " + replacement + replacement + replacement},
        {"lines kept", "1\n2\n3\n", "1\n2\n3\n"},
        {"too many lines", std::string(30, '\n'), std::string(19, '\n') + "..."},
        {"a last line end past the bound", std::string(20, '\n'), std::string(19, '\n')},
    };
    for (const Case& c : cases) EXPECT_EQ(ShownText(c.text), c.shown) << c.name;
}

}  // namespace
