#include "cli/AnalyseCommand.h"
#include "cli/CliArguments.h"
#include "cli/OverlaySettingsStore.h"
#include "config/MemorySettingsStore.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <sstream>

using namespace trevix;

TEST(CliArguments, BadArgumentsAreRefusedWithAReason) {
    struct Case {
        std::vector<std::string> args;
        const char* reason;
    };
    const Case cases[] = {
        {{}, "no log file given"},
        {{"--list"}, "missing value after --list"},
        {{"--bogus", "a.log"}, "unknown option --bogus"},
        {{"--sort", "lstFiles", "a.log"}, "--sort needs NAME:COLUMN[:asc|desc]"},
        {{"--set", "=No", "a.log"}, "--set needs KEY=VALUE"},
        {{"--filter-date", "2026-13", "a.log"}, "--filter-date needs YYYY-MM-DD or YYYY-MM-DD..YYYY-MM-DD"},
        {{"--filter-date", "2026-01-01..x", "a.log"}, "--filter-date needs YYYY-MM-DD or YYYY-MM-DD..YYYY-MM-DD"},
        {{"--load", "r.xml", "a.log"}, "--load reads a saved report instead of log files; give one or the other"},
        {{"--anonymise", "Hash", "a.log"}, "--anonymise needs none, truncate or hash"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseCliArguments(c.args, error).has_value());
        EXPECT_EQ(error, c.reason);
    }
}

TEST(CliArguments, OptionsAreReadAsGiven) {
    std::string error;
    auto a = ParseCliArguments({"--sort", "lstFiles:Gets:asc", "--sort", "lstIPs:2", "--filter-text", "!bot",
                                "--filter-file", "/shop", "--filter-date", "!2026-11-01..2026-11-03", "--set",
                                "MergeSessions=No", "--domain", "a.com", "--domain", "b.com", "x.log", "--", "--odd.log"},
                               error);
    ASSERT_TRUE(a) << error;
    EXPECT_EQ(a->LogFiles, (std::vector<std::string>{"x.log", "--odd.log"}));
    ASSERT_EQ(a->Sorts.size(), 2u);
    EXPECT_EQ(a->Sorts[0].Column, "Gets");
    EXPECT_EQ(a->Sorts[0].Order, 0);
    EXPECT_EQ(a->Sorts[1].Order, -1);
    EXPECT_TRUE(a->FilterText->Negated);
    EXPECT_EQ(a->FilterText->Text, "bot");
    EXPECT_FALSE(a->FilterFile->Negated);
    EXPECT_TRUE(a->FilterDate->Negated);
    EXPECT_EQ(a->FilterDate->From, "2026-11-01");
    EXPECT_EQ(a->FilterDate->To, "2026-11-03");
    EXPECT_EQ(a->Sets[0], (std::pair<std::string, std::string>{"MergeSessions", "No"}));
    EXPECT_EQ(a->Domains.size(), 2u);
}

// Each option fills its own field; the word after an option that takes a value is that value,
// even when it looks like an option itself.
TEST(CliArguments, EachOptionFillsItsOwnField) {
    std::string error;
    auto a = ParseCliArguments({"-h", "--list", "lstFiles", "--list", "--stats", "--settings", "s.ini", "--site", "Shop",
                                "--separate-domains", "--conversion", "goal.txt", "--visitor", "1.2.3.4", "--log",
                                "--xml", "r.xml", "--csv", "out", "--html", "r.html", "--compare", "a.xml",
                                "--compare", "b.xml", "--load", "old.xml"},
                               error);
    ASSERT_TRUE(a) << error;
    EXPECT_TRUE(a->Help);
    EXPECT_EQ(a->Lists, (std::vector<std::string>{"lstFiles", "--stats"}));
    EXPECT_FALSE(a->Stats);
    EXPECT_EQ(a->SettingsFile, "s.ini");
    EXPECT_EQ(a->Site, "Shop");
    EXPECT_TRUE(a->SeparateDomains);
    EXPECT_EQ(a->Conversions, (std::vector<std::string>{"goal.txt"}));
    EXPECT_EQ(a->Visitors, (std::vector<std::string>{"1.2.3.4"}));
    EXPECT_TRUE(a->ShowLog);
    EXPECT_EQ(a->XmlOut, "r.xml");
    EXPECT_EQ(a->CsvDir, "out");
    EXPECT_EQ(a->HtmlOut, "r.html");
    EXPECT_EQ(a->Compares, (std::vector<std::string>{"a.xml", "b.xml"}));
    EXPECT_EQ(a->Load, "old.xml");
    EXPECT_TRUE(a->LogFiles.empty());
    EXPECT_FALSE(a->FilterText || a->FilterFile || a->FilterDate);

    a = ParseCliArguments({"--stats", "--help", "--", "-"}, error);
    ASSERT_TRUE(a) << error;
    EXPECT_TRUE(a->Stats);
    EXPECT_TRUE(a->Help);
    EXPECT_EQ(a->LogFiles, (std::vector<std::string>{"-"}));
}

TEST(CliArguments, ExitStatus) {
    trevix::testing::TempDir dir;
    std::string log = dir.Write("ok.log", "1.2.3.4 - - [10/Oct/2000:13:55:36 +0000] \"GET / HTTP/1.0\" 200 1\n");
    std::string settings = dir.File("settings.ini");
    struct Case {
        std::vector<std::string> args;
        int status;
    };
    const Case cases[] = {
        {{"--settings", settings, log}, 0},
        {{"--settings", settings, "--bogus", log}, 1},
        {{"--settings", settings, "--set", "NoSuchKey=1", log}, 1},
        {{"--settings", settings, "--list", "lstNothing", log}, 1},
        {{"--settings", settings, "--sort", "lstFiles:NoColumn", log}, 1},
        {{"--settings", settings, "--filter-date", "2026-02-30", log}, 1},
        {{"--settings", settings, dir.File("missing.log")}, 2},
        {{"--settings", settings, log, dir.File("missing.log")}, 2},
        {{"--settings", settings, dir.Path().string()}, 2},
        {{"--help"}, 0},
    };
    for (const Case& c : cases) {
        std::ostringstream out, err;
        EXPECT_EQ(RunAnalyseCommand(c.args, out, err), c.status) << err.str();
    }
    // The command line never writes the settings file.
    EXPECT_FALSE(std::filesystem::exists(settings));
}

// --log-format takes a format's name or a format string the reader can use; a single word that
// is no format's name is a misspelt name, never a format string.
TEST(CliArguments, LogFormatNamesAndStrings) {
    struct Case {
        const char* value;
        const char* stored;   // nullptr: refused
        const char* reason;   // the start of the reason
    };
    const Case cases[] = {
        {"auto", "auto", ""},
        {"combined", "combined", ""},
        {" w3c ", "w3c", ""},
        {"nginx-json", "nginx-json", ""},
        {"cloudfront", "cloudfront", ""},
        {"Combined", nullptr, "unknown log format name in --log-format: Combined (the names are auto, common, "},
        {"apache2", nullptr, "unknown log format name in --log-format: apache2"},
        {"-", nullptr, "unknown log format name in --log-format: -"},
        {"", nullptr, "--log-format needs a format name or a format string"},
        {"  ", nullptr, "--log-format needs a format name or a format string"},
        // No status field: no reader can count it.
        {R"(%h %l %u %t "%r" %b)", nullptr, "--log-format: the format string cannot be used: "},
        {"$remote_addr [$time_local]", nullptr, "--log-format: the format string cannot be used: "},
    };
    for (const Case& c : cases) {
        std::string error;
        auto a = ParseCliArguments({"--log-format", c.value, "x.log"}, error);
        if (c.stored) {
            ASSERT_TRUE(a) << c.value << ": " << error;
            EXPECT_EQ(a->LogFormat, std::optional<std::string>(c.stored)) << c.value;
        } else {
            EXPECT_FALSE(a) << c.value;
            EXPECT_EQ(error.rfind(c.reason, 0), 0u) << c.value << ": " << error;
        }
    }
}

// The option wins over the site profile's format, which is checked before any log is read.
TEST(CliArguments, LogFormatOfTheRun) {
    trevix::testing::TempDir dir;
    std::string log = dir.Write("ok.log", "1.2.3.4 - - [10/Oct/2000:13:55:36 +0000] \"GET / HTTP/1.0\" 200 1\n");
    std::string settings = dir.Write("settings.ini", "[Profiles]\nNumProfiles=1\n[Profile1]\nSiteName=Shop\n"
                                                     "LogFormat=\"%h %t %b\"\n");
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* stderrText;
    };
    const Case cases[] = {
        {{"--settings", settings, log}, 1, "the log format of site profile Shop cannot be used: "},
        {{"--settings", settings, "--log-format", "combined", log}, 0, ""},
        {{"--settings", settings, "--log-format", "combined", "--log-format", "nonsense", log}, 1,
         "unknown log format name in --log-format: nonsense"},
        {{"--settings", settings, "--domain", "example.com", log}, 0, ""},
        {{"--settings", settings, "--log-format", "Auto", dir.File("missing.log")}, 1, "unknown log format name"},
    };
    for (const Case& c : cases) {
        std::ostringstream out, err;
        EXPECT_EQ(RunAnalyseCommand(c.args, out, err), c.status) << err.str();
        EXPECT_NE(err.str().find(c.stderrText), std::string::npos) << err.str();
        // Refused before anything is read: no summary.
        if (c.status == 1) EXPECT_EQ(out.str(), "");
    }
}

TEST(OverlaySettingsStore, ChangesStayInMemory) {
    MemorySettingsStore base;
    base.SaveSetting("Options", "A", "base");
    base.SaveSetting("Sort", "List1Key", "2");
    OverlaySettingsStore store(&base);
    store.SaveSetting("Options", "A", "mine");
    store.DeleteSetting("Options", "B");
    store.DeleteSection("Sort");
    EXPECT_EQ(store.GetSetting("Options", "A"), "mine");
    EXPECT_EQ(store.GetSetting("Options", "B", "d"), "d");
    EXPECT_EQ(store.GetSetting("Sort", "List1Key", "X"), "X");
    store.SaveSetting("Sort", "List1Key", "3");
    EXPECT_EQ(store.GetSetting("Sort", "List1Key", "X"), "3");
    EXPECT_EQ(base.GetSetting("Options", "A"), "base");
    EXPECT_EQ(base.GetSetting("Sort", "List1Key"), "2");
}
