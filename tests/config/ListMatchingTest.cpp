// The reference lists are searched with one automaton each; these tests hold them to the plain
// rules (each pattern in turn) on real, damaged and generated texts.
#include "TestHost.h"
#include "config/DataFileReaders.h"
#include "config/ReferenceDataLoader.h"
#include "engine/parse/BrowserDetection.h"
#include "engine/parse/Classification.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <set>
#include <tuple>
#include <string>
#include <vector>

namespace trevix {
namespace {

const std::string DataDir = TREVIX_DATA_DIR_FOR_TESTS;
const std::string TestDir = TREVIX_TEST_DIR;

std::string Lowered(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// The plain rules, one pattern at a time.
bool SpiderPlain(const ReferenceData& ref, std::string_view ua) {
    for (size_t i = 1; i < ref.SpiderStrings.size(); ++i)
        if (ua.find(ref.SpiderStrings[i]) != std::string_view::npos) return true;
    return false;
}

std::vector<int> BrowsersPlain(const ReferenceData& ref, std::string_view ua) {
    std::vector<int> matched;
    for (size_t i = 1; i < ref.BrowserDefinitions.size(); ++i)
        for (const std::string& m : ref.BrowserDefinitions[i].MatchStrings)
            if (ua.find(m) != std::string_view::npos) {
                matched.push_back(static_cast<int>(i));
                break;
            }
    return matched;
}

std::vector<uint32_t> EnginesPlain(const ReferenceData& ref, std::string_view referrer) {
    std::vector<uint32_t> matched;
    for (size_t i = 1; i < ref.SearchEngineDefinitions.size(); ++i)
        if (Lowered(referrer).find(Lowered(ref.SearchEngineDefinitions[i].MatchText)) != std::string::npos)
            matched.push_back(static_cast<uint32_t>(i));
    return matched;
}

bool ExitPagePlain(const ReferenceData& ref, std::string_view file) {
    const size_t dot = file.rfind('.');
    if (dot == std::string_view::npos) return true;
    for (size_t i = 1; i < ref.GraphicExtensions.size(); ++i)
        if (Lowered(file.substr(dot + 1)) == ref.GraphicExtensions[i]) return false;
    return true;
}

// True when some prefix follows an "&", a "?" or an "&amp;".
bool SessionPlain(const ReferenceData& ref, std::string_view url) {
    for (size_t i = 1; i < ref.SessionIDPrefixes.size(); ++i)
        for (std::string_view lead : {"&", "?", "&amp;"})
            if (url.find(std::string(lead) + ref.SessionIDPrefixes[i]) != std::string_view::npos) return true;
    return false;
}

// Each classification of the text, by the automatons (indexed) and by the plain way of a copy
// whose lists were never indexed, against the plain rules.
void ExpectSameAnswers(const ReferenceData& indexed, const ReferenceData& plain, std::string_view text) {
    for (const ReferenceData* ref : {&indexed, &plain}) {
        SCOPED_TRACE(ref == &indexed ? "automatons" : "plain search");
        ASSERT_EQ(ContainsSpiderString(*ref, text), SpiderPlain(indexed, text)) << text;
        std::vector<int> matched;
        DetectBrowser(*ref, text, matched);
        ASSERT_EQ(matched, BrowsersPlain(indexed, text)) << text;
        std::vector<uint32_t> engines{99};
        MatchingSearchEngines(*ref, text, engines);
        ASSERT_EQ(engines, EnginesPlain(indexed, text)) << text;
        ASSERT_EQ(ValidExitPage(*ref, text), ExitPagePlain(indexed, text)) << text;
        ASSERT_EQ(StripSessionIDText(*ref, text) != text, SessionPlain(indexed, text)) << text;
    }
    std::vector<int> a, b;
    const BrowserResult x = DetectBrowser(indexed, text, a), y = DetectBrowser(plain, text, b);
    ASSERT_EQ(std::tie(x.Browser, x.OS, x.BrowserFound, x.OSFound), std::tie(y.Browser, y.OS, y.BrowserFound, y.OSFound));
    // Which parameter goes, not only whether one does.
    ASSERT_EQ(StripSessionIDText(indexed, text), StripSessionIDText(plain, text)) << text;
}

// The user agents of the browser test table, every line of the fuzzing corpus with its quoted
// fields and blank-separated words, and texts made of pieces of the lists and random bytes.
std::vector<std::string> Texts(const ReferenceData& shipped) {
    std::set<std::string> texts;
    if (auto tsv = ReadDataFile(TestDir + "/config/user_agents.tsv"))
        for (std::string_view line : ReadWholeLines(*tsv))
            texts.emplace(line.substr(line.rfind('\t') + 1));
    size_t corpus = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TestDir + "/../fuzz/corpus-log")) {
        auto bytes = ReadFileBytes(entry.path().string());
        if (!bytes) continue;
        ++corpus;
        std::string_view rest = *bytes;
        while (!rest.empty()) {
            const size_t end = std::min(rest.find('\n'), rest.size());
            const std::string_view line = rest.substr(0, end);
            rest.remove_prefix(std::min(end + 1, rest.size()));
            texts.emplace(line);
            for (char cut : {'"', ' '})
                for (size_t from = 0; from <= line.size();) {
                    const size_t to = std::min(line.find(cut, from), line.size());
                    texts.emplace(line.substr(from, to - from));
                    from = to + 1;
                }
        }
    }
    EXPECT_GT(corpus, 100u) << "the fuzzing corpus was not found";

    std::vector<std::string> pieces;
    for (size_t i = 1; i < shipped.SpiderStrings.size(); ++i)
        pieces.push_back(shipped.SpiderStrings[i]);
    for (const BrowserDefinition& d : shipped.BrowserDefinitions)
        pieces.insert(pieces.end(), d.MatchStrings.begin(), d.MatchStrings.end());
    for (size_t i = 1; i < shipped.SearchEngineDefinitions.size(); ++i)
        pieces.push_back("http://" + shipped.SearchEngineDefinitions[i].MatchText + "/search?" +
                         shipped.SearchEngineDefinitions[i].QueryParameter + "=a+b");
    for (size_t i = 1; i < shipped.GraphicExtensions.size(); ++i)
        pieces.push_back("/img/logo." + shipped.GraphicExtensions[i]);
    for (size_t i = 1; i < shipped.SessionIDPrefixes.size(); ++i)
        for (const char* lead : {"&", "?", "&amp;"})
            pieces.push_back(lead + shipped.SessionIDPrefixes[i] + "42");
    std::mt19937 random(4711);
    auto below = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
    for (int n = 0; n < 4000; ++n) {
        std::string text;
        for (size_t k = 1 + below(6); k > 0; --k) {
            std::string piece = pieces[below(pieces.size())];
            switch (below(5)) {
            case 0: // a letter of the other case
                if (!piece.empty()) piece[below(piece.size())] ^= 0x20;
                break;
            case 1: // cut short
                piece.resize(below(piece.size() + 1));
                break;
            case 2: // random bytes, any value
                piece.clear();
                for (size_t b = below(8); b > 0; --b)
                    piece.push_back(static_cast<char>(below(256)));
                break;
            default: break;
            }
            text += piece;
            if (below(2) == 0) text += " ";
        }
        texts.insert(std::move(text));
    }
    // Addresses with several parameters, where which prefix and which form come first decide.
    std::vector<std::string> parameters = {"b=2", "amp;b=3", "", "x", "id=1"};
    for (size_t i = 1; i < shipped.SessionIDPrefixes.size(); ++i)
        parameters.push_back(shipped.SessionIDPrefixes[i] + "7");
    for (int n = 0; n < 2000; ++n) {
        std::string url = "/shop.php";
        for (size_t k = 1 + below(5); k > 0; --k)
            url += std::string(k % 2 == 0 || below(3) == 0 ? "?" : below(2) == 0 ? "&" : "&amp;") +
                   parameters[below(parameters.size())];
        texts.insert(std::move(url));
    }
    return {texts.begin(), texts.end()};
}

TEST(ListMatching, AutomatonsAnswerAsThePlainRules) {
    if (!std::filesystem::is_regular_file(DataDir + "/spider.dat")) GTEST_SKIP() << "no data files";
    test::RecordingHost host;
    ReferenceData shipped;
    ASSERT_TRUE(LoadSpiders(shipped, host, DataDir));
    ASSERT_TRUE(LoadBrowserDefinitions(shipped, host, DataDir));
    ASSERT_TRUE(LoadSearchEngines(shipped, host, DataDir));
    ASSERT_TRUE(ReadGraphicsFile(shipped, host, DataDir));
    ASSERT_TRUE(ReadSessionIDFile(shipped, host, DataDir));
    ASSERT_GT(shipped.SpiderCount(), 1000);

    // Lists with what the shipped ones lack: empty items, repeats, capitals, one item inside
    // another, a prefix that begins like "&amp;".
    ReferenceData odd;
    odd.SpiderStrings = {"", "Bot", "bot", "Bot", "ot/", "b"};
    ParseBrowserDefinitions(odd, "A,Mozilla/,Moz\n*B,Windows,Win\nC (all),zilla\nD,\nE,Mozilla/\n*F,ows N\n");
    odd.SearchEngineDefinitions = {{}, {"G", "Google.", "q"}, {"G", "://www.google.", "q"}, {"B", "", "q"},
                                   {"Y", "search.", "p"}, {"Z", "SEARCH.YAHOO", "p"}};
    odd.GraphicExtensions = {"", "gif", "GIF", "", "jpe", "jpeg", "gif"};
    odd.SessionIDPrefixes = {"", "sid=", "s", "amp;x=", "sessionid=", "sid=", "id"};
    odd.IndexLists();

    const std::vector<std::string> texts = Texts(shipped);
    EXPECT_GT(texts.size(), 5000u);
    for (const ReferenceData* indexed : {&shipped, &odd}) {
        SCOPED_TRACE(indexed == &shipped ? "shipped lists" : "odd lists");
        const ReferenceData plain = *indexed;   // a copy holds no automaton of its own lists
        ASSERT_NE(indexed->SpiderMatcher(), nullptr);
        ASSERT_NE(indexed->SessionIDMatcher(), nullptr);
        ASSERT_EQ(plain.SpiderMatcher(), nullptr);
        ASSERT_EQ(plain.BrowserMatcher(), nullptr);
        for (const std::string& text : texts)
            ExpectSameAnswers(*indexed, plain, text);
        ExpectSameAnswers(*indexed, plain, "");
    }
}

// A list changed after its automaton was built is searched the plain way until indexed again.
TEST(ListMatching, ChangedListsAreNotSearchedWithAStaleAutomaton) {
    ReferenceData ref;
    ref.SpiderStrings = {"", "crawler"};
    ref.GraphicExtensions = {"", "png"};
    ref.IndexLists();
    EXPECT_TRUE(ContainsSpiderString(ref, "a crawler"));
    EXPECT_FALSE(ValidExitPage(ref, "/a.png"));
    ref.SpiderStrings.push_back("fetch");
    ref.GraphicExtensions = std::vector<std::string>{"", "gif", "svg", "ico"};
    EXPECT_EQ(ref.SpiderMatcher(), nullptr);
    EXPECT_TRUE(ContainsSpiderString(ref, "fetcher/1"));
    EXPECT_TRUE(ValidExitPage(ref, "/a.png"));
    EXPECT_FALSE(ValidExitPage(ref, "/a.ICO"));
    ref.IndexLists();
    EXPECT_NE(ref.SpiderMatcher(), nullptr);
    EXPECT_TRUE(ContainsSpiderString(ref, "fetcher/1"));
    EXPECT_FALSE(ValidExitPage(ref, "/a.Svg"));
}

} // namespace
} // namespace trevix
