#include "config/Options.h"
#include "config/MemorySettingsStore.h"
#include "config/ValueForms.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace trevix {
namespace {

const std::string Sep(1, static_cast<char>(std::filesystem::path::preferred_separator));

TEST(Options, EmptyStoreGivesDefaults) {
    MemorySettingsStore store;
    ProgramOptions o;
    o.HideSearchEngines = false; // make sure every field is really assigned
    o.ShowRawLog = true;
    LoadOptions(store, o, "/home/u/Documents");
    EXPECT_EQ(o.DefaultDownloadFolder, "/home/u/Documents" + Sep + "Downloaded Log Files");
    EXPECT_EQ(o.DefaultXMLFolder, o.DefaultDownloadFolder);
    EXPECT_EQ(o.MaxRecentFiles, 10);
    EXPECT_EQ(o.MaxRecentFilters, 10);
    EXPECT_EQ(o.MaxRecentDomains, 10);
    EXPECT_TRUE(o.HideSearchEngines && o.AnalyseCountries && o.CountryInfo && o.MergeSessions &&
                o.ConvertTimes && o.AutoReport);
    EXPECT_FALSE(o.FTPRename || o.ShowRawLog);
    EXPECT_EQ(o.AfterDownload, 1);
    EXPECT_EQ(o.RenameTemplate, "%s %d %f");
}

TEST(Options, UnknownDocumentsFolderLeavesSeparatorAndName) {
    MemorySettingsStore store;
    ProgramOptions o;
    LoadOptions(store, o, "");
    EXPECT_EQ(o.DefaultDownloadFolder, Sep + "Downloaded Log Files");
    EXPECT_EQ(o.DefaultXMLFolder, Sep + "Downloaded Log Files");
}

TEST(ValueForms, StoredTextsReadBack) {
    struct Case {
        const char* text;
        bool yes;
        int64_t number;
    } cases[] = {
        {"Yes", true, 0},
        {"YES", true, 0},
        {"yes", true, 0},
        {"No", false, 0},
        {"True", false, 0},
        {"", false, 0},
        {"yes ", false, 0},
        {" 2", false, 2},
        {"10", false, 10},
        {"   -3", false, -3},
        {"-", false, 0},
        {"12abc", false, 12},
        {"abc", false, 0},
        {"x10", false, 0},
        {"2.6", false, 2},
        {"+7", false, 7},
        {"99999999999999999999999", false, INT64_MAX},
        {"-99999999999999999999999", false, INT64_MIN},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsYes(c.text), c.yes) << c.text;
        EXPECT_EQ(ReadNumber(c.text), c.number) << c.text;
    }
    EXPECT_EQ(PaddedNumber(2), " 2");
    EXPECT_EQ(PaddedNumber(0), " 0");
    EXPECT_EQ(PaddedNumber(-4), "-4");
    EXPECT_EQ(PlainNumber(10), "10");
    EXPECT_EQ(YesNo(true), "Yes");
    EXPECT_EQ(YesNo(false), "No");
}

TEST(Options, DamagedAndOutOfRangeValues) {
    MemorySettingsStore store;
    store.SaveSetting("Options", "MaxRecentFiles", "lots");
    store.SaveSetting("Options", "MaxRecentFilters", "-5");
    store.SaveSetting("Options", "MaxRecentDomains", "70000");
    store.SaveSetting("Options", "HideSearchEngines", "True");
    store.SaveSetting("Options", "FTPRename", "YES");
    store.SaveSetting("Options", "AfterDownload", " 3");
    ProgramOptions o;
    LoadOptions(store, o, "d");
    EXPECT_EQ(o.MaxRecentFiles, 0);
    EXPECT_EQ(o.MaxRecentFilters, 0);
    EXPECT_EQ(o.MaxRecentDomains, 32767);
    EXPECT_FALSE(o.HideSearchEngines);
    EXPECT_TRUE(o.FTPRename);
    EXPECT_EQ(o.AfterDownload, 3);
}

TEST(Options, SaveWritesKeysInOrderWithoutAfterDownloadAndReadsBack) {
    MemorySettingsStore store;
    ProgramOptions o;
    o.DefaultDownloadFolder = "C:\\logs";
    o.MaxRecentFiles = 4;
    o.FTPRename = true;
    o.AutoReport = false;
    o.AfterDownload = 2;
    o.RenameTemplate = "%f";
    o.FTPCAFile = "/etc/ca.pem";
    SaveOptions(store, o);
    std::vector<std::string> keys;
    for (const auto& w : store.Journal()) {
        EXPECT_EQ(w.Section, "Options");
        keys.push_back(w.Key);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{
                        "DefaultDownloadFolder", "MaxRecentFiles", "MaxRecentFilters", "MaxRecentDomains",
                        "HideSearchEngines", "AnalyseCountries", "CountryInfo", "FTPRename", "RenameTemplate",
                        "MergeSessions", "ConvertTimes", "AutoReport", "DefaultXMLFolder", "ShowRawLog", "FTPCAFile"}));
    EXPECT_EQ(store.GetSetting("Options", "MaxRecentFiles"), " 4");
    EXPECT_EQ(store.GetSetting("Options", "FTPRename"), "Yes");
    EXPECT_EQ(store.GetSetting("Options", "AutoReport"), "No");

    ProgramOptions back;
    LoadOptions(store, back, "elsewhere");
    EXPECT_EQ(back.DefaultDownloadFolder, "C:\\logs");
    EXPECT_EQ(back.MaxRecentFiles, 4);
    EXPECT_TRUE(back.FTPRename);
    EXPECT_FALSE(back.AutoReport);
    EXPECT_EQ(back.AfterDownload, 1); // not saved by SaveOptions
    EXPECT_EQ(back.RenameTemplate, "%f");
    EXPECT_EQ(back.FTPCAFile, "/etc/ca.pem");

    SaveAfterDownload(store, 2);
    EXPECT_EQ(store.GetSetting("Options", "AfterDownload"), " 2");
}

} // namespace
} // namespace trevix
