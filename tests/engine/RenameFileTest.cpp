#include "engine/base/Locale.h"
#include "engine/read/FileNameTemplate.h"

#include <gtest/gtest.h>

#include <regex>

namespace trevix {
namespace {

struct RenameCase {
    const char* Template;
    const char* Site;
    const char* Original;
    const char* SpecifyDate;
    const char* Expected;
};

// Today is fixed at 06/12/2026 so every row is reproducible.
const RenameCase kRenameCases[] = {
    {"%s %d %f", "Shop", "access.log", "", "Shop 06-12-2026 access.log"},
    {"%s %d %f", "Shop", "Report", "", "Shop 06-12-2026 Report"},
    {"%f", "Shop", "access.log", "", "access.log"},
    {"%x%f", "Shop", "access.log", "", "access.log"},
    {"%S%f", "Shop", "access.log", "", "access.log"},           // codes are lower case only
    {"100%%", "Shop", "access.log", "", "100%"},
    {"%%d", "Shop", "access.log", "", "%d"},                    // scanning resumes after the pair
    {"%%%", "Shop", "access.log", "", "%"},
    {"log%", "Shop", "access.log", "", "log"},                  // trailing "%" dropped
    {"%", "Shop", "access.log", "", ""},
    {"", "Shop", "access.log", "", ""},
    {"%d", "Shop", "access.log", "2026-01-02", "2026-01-02"},   // a given date wins over today
    {"%d", "Shop", "access.log", "12:30", "12-30"},
    {"a/b\\c:d*e?f\"g<h>i|j", "Shop", "x", "", "a-b-c-d-e-f-g-h-i-j"},
    {"%s", "My/Site", "x", "", "My-Site"},
    {"%f", "Shop", "..\\up/x", "", "..-up-x"},                  // one character for one
    {"\xC3\xA9t\xC3\xA9 %f", "Shop", "a.log", "", "\xC3\xA9t\xC3\xA9 a.log"},
    {"%\xC3\xA9%f", "Shop", "a.log", "", "a.log"},              // unknown code is a whole character
    {"%s", "Shop", "access.log.gz", "", "Shop.gz"},
    {"%s %f", "Shop", "access.log.gz", "", "Shop access.log.gz"},
    {"%s.gz", "Shop", "access.log.gz", "", "Shop.gz"},
    {"%s", "Shop", "access.log.GZ", "", "Shop"},                // the ".gz" test is case-sensitive
    {"%s.GZ", "Shop", "access.log.gz", "", "Shop.GZ.gz"},
    {"", "Shop", "a.gz", "", ".gz"},
    {"%s", "Shop", ".gz", "", "Shop.gz"},
    {"%s", "Shop", "access.log.bz2", "", "Shop.bz2"},
    {"%s %d.xz", "Shop", "access.log.xz", "2026-01-02", "Shop 2026-01-02.xz"},
    {"%s.log", "Shop", "access.log.zst", "", "Shop.log.zst"},
    {"%s.zst", "Shop", "access.log.gz", "", "Shop.zst.gz"},    // the content decides the ending
    {"%s", "Shop", "access.log.XZ", "", "Shop"},
    {"%s", "Shop", "access.log.bz", "", "Shop"},
};

TEST(RenameFileTest, ExpandsTemplates) {
    for (const RenameCase& c : kRenameCases) {
        EXPECT_EQ(RenameFile(c.Original, c.SpecifyDate, c.Template, c.Site, "06/12/2026"), c.Expected)
            << "template '" << c.Template << "', site '" << c.Site << "', file '" << c.Original << "'";
    }
}

TEST(RenameFileTest, TodayUsesTheLocaleShortDate) {
    const std::string today = TodayShortDate(Locale::Fixed());
    EXPECT_TRUE(std::regex_match(today, std::regex(R"(\d\d/\d\d/\d{4})"))) << today;
    // The slashes of the date never reach the file name.
    EXPECT_EQ(RenameFile("a.log", "", "%d", "", today).find('/'), std::string::npos);
}

} // namespace
} // namespace trevix
