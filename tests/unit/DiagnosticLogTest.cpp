#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include <wx/utils.h>
#include <vector>

#include "platform/DiagnosticLog.h"
#include "platform/SecretScrubber.h"
#include "support/TempDir.h"

namespace {
std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::vector<std::string> Lines(const std::string& path) {
    std::istringstream in(ReadWholeFile(path));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The text after a line's stamp, seconds with three decimals; "" for a line without one.
std::string AfterStamp(const std::string& line) {
    const auto blank = line.find(' ');
    const auto point = line.find('.');
    if (blank == std::string::npos || point == 0 || point + 4 != blank) return "";
    for (std::size_t i = 0; i < blank; ++i) {
        if (i != point && !std::isdigit(static_cast<unsigned char>(line[i]))) return "";
    }
    return line.substr(blank + 1);
}

// Each secret, in each form a line could carry it, inside other text; a short one (a password
// like "port") only where it is a whole field of a value, never in the client's own words.
TEST(SecretScrubber, EveryFormOfASecretBecomesStars) {
    const std::string secret = "p@ss word/1-long";
    const struct {
        const char* name;
        std::string text;
        std::string expected;
        bool value = false;  // ScrubValue rather than Scrub
    } cases[] = {
        {"plain", "user alice password p@ss word/1-long end", "user alice password *** end"},
        {"lower hex", "h=" + HexForm(secret) + ";", "h=***;"},
        {"upper hex",
         "h=" +
             [&] {
                 std::string hex = HexForm(secret);
                 for (char& c : hex) c = static_cast<char>(std::toupper(c));
                 return hex;
             }() +
             ";",
         "h=***;"},
        {"percent", "p=p%40ss%20word%2F1-long&s=x", "p=***&s=x"},
        {"percent, lower case", "p=p%40ss%20word%2f1-long&s=x", "p=***&s=x"},
        {"form blank as plus", "p=p%40ss+word%2F1-long&s=x", "p=***&s=x"},
        {"base64", "auth " + Base64Form(secret), "auth ***=="},
        {"base64 in a longer text, one byte in", Base64Form("u" + secret + "tail"), "dX***d0YWls"},
        {"base64 in a longer text, two bytes in", Base64Form("us" + secret + "tail"),
         "dXN***dGFpbA=="},
        {"twice", "p@ss word/1-longp@ss word/1-long", "******"},
        {"no secret", "nothing to hide 1234", "nothing to hide 1234"},
        {"short password in the client's words", "session ready: protocol vnc, port 5901",
         "session ready: protocol vnc, port 5901"},
        {"short password as a field of a value", "user \"Port\" refused: user=alice&pw=port",
         "user \"***\" refused: user=alice&pw=***", true},
        {"short password inside a value's word", "report.pdf, port-5901", "report.pdf, port-5901",
         true},
    };
    SecretScrubber scrubber;
    scrubber.Add(secret);
    scrubber.Add("port");
    scrubber.Add("");  // ignored, or every gap would be a secret
    for (const auto& c : cases) {
        const std::string scrubbed = c.value ? scrubber.ScrubValue(c.text) : scrubber.Scrub(c.text);
        EXPECT_EQ(scrubbed, c.expected) << c.name;
        EXPECT_EQ(Lower(scrubbed).find(Lower(HexForm(secret))), std::string::npos);
    }
    // A secret inside another leaves nothing of the longer one behind.
    scrubber.Add("word");
    EXPECT_EQ(scrubber.ScrubValue("p@ss word/1-long word"), "*** ***");
}

class DiagnosticLogFile : public testing::Test {
  protected:
    TempDir dir;
    const std::string path = dir.File("client.log");
};

TEST_F(DiagnosticLogFile, LinesAreStampedScrubbedAndRotatedKeepingOneOlderFile) {
    constexpr std::uint64_t kRotateAt = 1000;
    {
        DiagnosticLog log(path, kRotateAt);
        log.AddSecret("cookie-42-of-a-session");
        for (int i = 0; i < 100; ++i) {
            ASSERT_TRUE(
                log.Write("step " + std::to_string(i) + " cookie-42-of-a-session\nsecond line"));
        }
    }
    const std::vector<std::string> newest = Lines(path);
    const std::vector<std::string> older = Lines(path + ".1");
    EXPECT_FALSE(FileExists(path + ".2"));
    ASSERT_FALSE(newest.empty());
    ASSERT_FALSE(older.empty());
    EXPECT_EQ(AfterStamp(newest.back()), "step 99 *** | second line");
    // The older file holds the lines just before the newest file's first.
    EXPECT_EQ(AfterStamp(older.back()),
              "step " + std::to_string(100 - newest.size() - 1) + " *** | second line");
    for (const auto& lines : {older, newest}) {
        for (const std::string& text : lines) {
            EXPECT_NE(AfterStamp(text).find(" *** | second line"), std::string::npos) << text;
        }
    }
    EXPECT_LE(ReadWholeFile(path).size(), kRotateAt);
    EXPECT_LE(ReadWholeFile(path + ".1").size(), kRotateAt);
}

TEST_F(DiagnosticLogFile, ANameFromAServerIsOneBoundedLineWithoutAnyPartOfASecret) {
    DiagnosticLog log(path);
    log.AddSecret("hunter2-long-secret");
    const std::string name =
        std::string(DiagnosticLog::kNameLimit - 8, 'x') + "hunter2-long-secret" + "\x1b[2J\r\nmore";
    const std::string shown = log.Name(name);
    EXPECT_LE(shown.size(), DiagnosticLog::kNameLimit + 3);  // and "..." where cut
    EXPECT_EQ(shown.find("hunter"), std::string::npos) << shown;
    EXPECT_EQ(log.Name("report\x1b[2J\r\n.pdf"), "report[2J | .pdf");
}

TEST_F(DiagnosticLogFile, LinesFromManyThreadsStayWhole) {
    {
        DiagnosticLog log(path);
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&log, t] {
                for (int i = 0; i < 200; ++i) log.Write("worker " + std::to_string(t) + " line");
            });
        }
        for (auto& thread : threads) thread.join();
    }
    const std::vector<std::string> lines = Lines(path);
    ASSERT_EQ(lines.size(), 800u);
    for (const std::string& text : lines) {
        const std::string after = AfterStamp(text);
        EXPECT_TRUE(after.size() == 13 && after.rfind("worker ", 0) == 0 &&
                    after.substr(8) == " line")
            << text;
    }
}
// The client's own log: on only with the variable; one that cannot be opened is no failure.
TEST_F(DiagnosticLogFile, TheVariableTurnsTheClientsLogOnAndAnUnusablePathIsPassedOver) {
    StartDiagnosticLog();
    LogStep("nowhere");
    ASSERT_TRUE(wxSetEnv(kLogVariable, dir.path()));  // a folder
    StartDiagnosticLog();
    LogStep("nowhere either");
    ASSERT_TRUE(wxSetEnv(kLogVariable, path));
    StartDiagnosticLog();
    LogSecret("s3cret-of-a-session");
    LogStep("login as alice, password s3cret-of-a-session");
    StopDiagnosticLog();
    LogStep("after the end");
    wxUnsetEnv(kLogVariable);
    const std::vector<std::string> lines = Lines(path);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(AfterStamp(lines[0]), "login as alice, password ***");
}
}  // namespace
