#include "cli/AnalyseCommand.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace trevix;

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The files in the order a text names them, each named once: "/a" ... "/d" as they appear.
std::string FilesInOrder(const std::string& text, const std::string& before, const std::string& after) {
    std::string order;
    size_t at = 0;
    for (;;) {
        size_t best = std::string::npos;
        char file = 0;
        for (char f : {'a', 'b', 'c', 'd'}) {
            const size_t p = text.find(before + "/" + f + after, at);
            if (p < best) best = p, file = f;
        }
        if (best == std::string::npos) return order;
        order += file;
        at = best + 1;
    }
}

std::string Section(const std::string& text, const std::string& start, const std::string& end) {
    const size_t from = text.find(start);
    if (from == std::string::npos) return {};
    return text.substr(from, text.find(end, from) - from);
}

} // namespace

// --list, --csv and --html write a list in the order the window shows it (the stored sort), else
// with the busiest rows first; --sort wins over both. The XML report keeps the list's own order.
TEST(ListOrder, ExportsFollowTheStoredSortElseTheLargestCountsAndSortWins) {
    trevix::testing::TempDir dir;
    std::string lines;
    // Requests per file: /a 1, /b 3, /c 3, /d 2; first seen a, b, c, d.
    for (const char* file : {"/a", "/b", "/c", "/d", "/b", "/c", "/d", "/b", "/c"})
        lines += std::string("10.0.0.1 - - [10/Oct/2000:13:55:36 +0000] \"GET ") + file + " HTTP/1.0\" 200 100\n";
    const std::string log = dir.Write("site.log", lines);
    const std::string fresh = dir.File("fresh.ini");
    const std::string stored = dir.Write("stored.ini", "[Sort]\nList2Key=0\nList2Dir=1\n");   // File, descending

    struct Case {
        const char* Name;
        std::vector<std::string> Args;
        std::string Written;   // --list, --csv and --html
        std::string Xml;
    };
    const Case cases[] = {
        {"nothing stored: largest first, ties as first seen", {"--settings", fresh}, "bcda", "abcd"},
        {"stored sort", {"--settings", stored}, "dcba", "dcba"},
        {"--sort wins over the stored sort", {"--settings", stored, "--sort", "lstFiles:File:asc"}, "abcd", "abcd"},
        {"--sort by another column", {"--settings", fresh, "--sort", "lstFiles:Total Requests:asc"}, "adbc", "adbc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<std::string> args = c.Args;
        const std::string csv = dir.File("csv"), html = dir.File("report.html"), xml = dir.File("report.xml");
        for (const std::string& more : {"--list", "lstFiles", "--csv", csv.c_str(), "--html", html.c_str(), "--xml",
                                        xml.c_str(), log.c_str()})
            args.push_back(more);
        std::ostringstream out, err;
        ASSERT_EQ(RunAnalyseCommand(args, out, err), 0) << err.str();
        EXPECT_EQ(FilesInOrder(out.str(), "\n", "\t"), c.Written);
        EXPECT_EQ(FilesInOrder(ReadAll(csv + "/lstFiles.csv"), "\n", ","), c.Written);
        const std::string files = Section(ReadAll(html), "<section id=\"lstFiles\">", "</section>");
        EXPECT_EQ(FilesInOrder(files, "<td class=\"t\">", "</td>"), c.Written);
        EXPECT_EQ(FilesInOrder(Section(ReadAll(xml), "<Files>", "</Files>"), ">", "</File>"), c.Xml);
    }
}
