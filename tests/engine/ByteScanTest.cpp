#include "engine/base/ByteScan.h"
#include "engine/Analyser.h"
#include "engine/read/LineCutter.h"
#include "engine/parse/LogParser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

using namespace trevix;

namespace {

// Log lines with the odd shapes the scans must get right: quotes and brackets in odd places,
// blanks at block edges, CR ends, Latin-1 and UTF-8 bytes, fields beyond the first kilobyte,
// and random damage.
std::vector<std::string> GeneratedLines(unsigned seed, int count) {
    std::mt19937 rng(seed);
    auto pick = [&](size_t n) { return static_cast<size_t>(rng() % n); };
    const char* files[] = {
        "/", "/a.html", "/shop.php?sid=7&item=3", "/a\"b.html", "/x[1].gif", "/caf\xC3\xA9", "/caf\xE9"};
    const char* methods[] = {"GET ", "POST ", "HEAD ", "PUT ", "-", "GET"};
    const char* agents[] = {"Mozilla/5.0 (X11; Linux x86_64)", "-", "", "UA \"quoted\" [x]", "Googlebot/2.1"};
    const char damage[] = " \"[]-:\r?&\x80\xC3";
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        std::string line =
            std::to_string(pick(256)) + ".0.0." + std::to_string(pick(256)) + std::string(pick(3), ' ') +
            " - - [" + std::to_string(10 + pick(18)) + "/Oct/2026:1" + std::to_string(pick(10)) +
            ":00:00 +0200] \"" + methods[pick(6)] + files[pick(7)] + (pick(4) ? " HTTP/1.1" : "") + "\" " +
            std::to_string(100 + pick(500)) + " " + (pick(5) ? std::to_string(pick(100000)) : "-");
        if (pick(4)) {
            line += std::string(pick(4) == 0 ? " www.site.com" : "") + " \"" +
                    (pick(2) ? "http://ref.com/?q=a&sid=1" : "-") + "\" \"" + agents[pick(5)] +
                    (pick(8) == 0 ? std::string(900 + pick(300), 'u') : "") + "\"";
        }
        if (pick(6) == 0) line += "\r";
        for (size_t d = pick(3) == 0 ? 1 + pick(3) : 0; d > 0 && !line.empty(); --d) {
            const size_t at = pick(line.size());
            if (pick(2))
                line[at] = damage[pick(sizeof damage - 1)];
            else
                line.erase(at, 1 + pick(6));
        }
        lines.push_back(line);
    }
    return lines;
}

// Each file of the fuzzing corpus, then one generated log.
std::vector<std::string> Texts() {
    std::vector<std::string> texts;
    for (const auto& entry : std::filesystem::directory_iterator(TREVIX_TEST_DIR "/../fuzz/corpus-log")) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        texts.push_back(bytes.str());
    }
    std::string log;
    for (const std::string& line : GeneratedLines(7, 3000))
        log += line + "\n";
    texts.push_back(log);
    EXPECT_GT(texts.size(), 100u) << "the fuzzing corpus was not found";
    return texts;
}

// The lines of a text cut at LF, as the parser gets them.
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    for (size_t pos = 0; pos <= text.size();) {
        size_t lf = text.find('\n', pos);
        if (lf == std::string_view::npos) lf = text.size();
        lines.push_back(text.substr(pos, lf - pos));
        pos = lf + 1;
    }
    return lines;
}

std::string Describe(ParseResult result, const LogEntry& e, const Analyser& a) {
    std::ostringstream s;
    s << (result == ParseResult::Accepted) << "|" << e.ClientIP << "|" << e.Date << "|" << e.Time << "|"
      << e.File << "|" << e.Status << "|" << e.Bytes << "|" << e.Host << "|" << e.Referrer << "|"
      << e.UserAgent << "|" << a.Tables.FirstDateTime << "|" << a.Tables.ErrorLogText;
    return s.str();
}

// What each scan must find, read a byte at a time.
LineEnd ExpectedEnd(std::string_view s, char end) {
    size_t pos = s.find(end);
    if (pos == std::string_view::npos) pos = s.size();
    bool ascii = true;
    for (size_t i = 0; i < pos; ++i)
        ascii = ascii && static_cast<unsigned char>(s[i]) < 0x80;
    return {pos, ascii};
}

template <class Scan> std::vector<uint64_t> Marks(std::string_view s) {
    const size_t words = (s.size() + 63) / 64;
    std::vector<uint64_t> all(3 * words + 1, 0xDEAD); // the word after them must stay untouched
    Scan::MarkText(s.data(), s.size(), {all.data(), all.data() + words, all.data() + 2 * words});
    return all;
}

std::vector<uint64_t> ExpectedMarks(std::string_view s) {
    const size_t words = (s.size() + 63) / 64;
    std::vector<uint64_t> all(3 * words + 1, 0);
    all.back() = 0xDEAD;
    for (size_t i = 0; i < s.size(); ++i) {
        const uint64_t bit = uint64_t{1} << (i % 64);
        if (s[i] == ' ') all[i / 64] |= bit;
        if (s[i] == '"') all[words + i / 64] |= bit;
        if (s[i] == '[' || s[i] == ']' || s[i] == '?' || s[i] == '&') all[2 * words + i / 64] |= bit;
    }
    return all;
}

} // namespace

// Line ends and field marks agree with a byte-by-byte reading, for the vector and the portable
// scan, on the corpus and on texts whose special bytes sit on every side of a block edge.
TEST(ByteScan, BothScansReadEveryByteAlike) {
    std::vector<std::string> texts = Texts();
    for (size_t length : {0, 1, 15, 16, 17, 31, 48, 63, 64, 65, 127, 128, 129, 200})
        for (size_t at = 0; at <= length; at += length / 7 + 1)
            for (const char* special : {"\n", " ", "\"", "[", "]", "?", "&", "\xE9", "\xC3\xA9\n"}) {
                std::string text(length, 'x');
                text.insert(at, special);
                texts.push_back(text);
            }
    for (size_t t = 0; t < texts.size(); ++t) {
        SCOPED_TRACE("text " + std::to_string(t));
        const std::string_view text = texts[t];
        // From every line start, and from odd places inside lines.
        for (size_t from = 0; from < text.size(); from += 1 + from % 29) {
            const std::string_view rest = text.substr(from);
            for (char end : {'\n', '\r'}) {
                const LineEnd want = ExpectedEnd(rest, end);
                const LineEnd portable = PortableScan::FindLineEnd(rest.data(), rest.size(), end);
                ASSERT_EQ(portable.Pos, want.Pos);
                ASSERT_EQ(portable.Ascii, want.Ascii);
#if defined(__SSE2__)
                const LineEnd vector = VectorScan::FindLineEnd(rest.data(), rest.size(), end);
                ASSERT_EQ(vector.Pos, want.Pos) << "from " << from;
                ASSERT_EQ(vector.Ascii, want.Ascii) << "from " << from;
#endif
            }
        }
        for (std::string_view line : Lines(text)) {
            const std::vector<uint64_t> want = ExpectedMarks(line);
            ASSERT_EQ(Marks<PortableScan>(line), want);
#if defined(__SSE2__)
            ASSERT_EQ(Marks<VectorScan>(line), want) << line;
#endif
#if defined(TREVIX_WIDE_SCAN)
            if (WideScan::Available()) ASSERT_EQ(Marks<WideScan>(line), want) << line;
#endif
        }
    }
}

// The parser gives the same entries, messages and first time stamp whichever scan it uses.
TEST(ByteScan, BothScansParseTheSameEntries) {
    size_t accepted = 0, lines = 0;
    for (const std::string& text : Texts()) {
        for (bool merge : {false, true}) {
            // One file's lines in order, so the first time stamp is held against the earlier ones.
            Analyser vector, portable;
            for (Analyser* a : {&vector, &portable}) {
                a->Options.MergeSessions = merge;
                a->CurrentProfile.DifferentDomains = !merge;
                a->Reference.SessionIDPrefixes = {"", "sid="};
            }
            FileParseState vectorState, portableState;
            for (std::string_view line : Lines(text)) {
                LogEntry vectorEntry, portableEntry;
                const ParseResult v = ParseLogLine(vector, line, vectorEntry, vectorState);
                const ParseResult p = ParseLogLinePortable(portable, line, portableEntry, portableState);
                ASSERT_EQ(Describe(v, vectorEntry, vector), Describe(p, portableEntry, portable)) << line;
                vector.Tables.ErrorLogText.clear();
                portable.Tables.ErrorLogText.clear();
                accepted += v == ParseResult::Accepted;
                ++lines;
            }
        }
    }
    // Both kinds of line were seen in numbers.
    EXPECT_GT(accepted, 2000u);
    EXPECT_GT(lines - accepted, 1000u);
}

// The cutter hands out the lines as read: valid lines (ASCII or UTF-8) as views into the text,
// a line with stray bytes re-read with Windows-1252, whatever the other lines hold and
// wherever the bytes sit against the scan's blocks.
TEST(LineCutter, EachLineIsCheckedOnItsOwn) {
    const std::string pad63(63, 'p'), pad64(64, 'p');
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> lines;
        std::vector<bool> inPlace;
    };
    const Case cases[] = {
        {"stray byte after an ASCII line", "abc\n\xE9x\n", {"abc", "\xC3\xA9x"}, {true, false}},
        {"UTF-8 line beside a stray byte",
         "caf\xC3\xA9\nx\xE9\n",
         {"caf\xC3\xA9", "x\xC3\xA9"},
         {true, false}},
        {"stray byte just before the end of a block",
         pad63 + "\xE9\n" + pad64,
         {pad63 + "\xC3\xA9", pad64},
         {false, true}},
        {"stray byte just after the end",
         pad63 + "\n\xE9" + pad64,
         {pad63, "\xC3\xA9" + pad64},
         {true, false}},
        {"CR alone ends lines", "a\rb\xE9\r\rc", {"a", "b\xC3\xA9", "c"}, {true, false, true}},
        {"CR LF and a last line without an end", "a\r\n\r\nb", {"a\r", "b"}, {true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Analyser a;
        LineCutter cutter(a, c.text, nullptr);
        std::vector<std::string> lines;
        std::vector<bool> inPlace;
        for (std::string_view line; cutter.Next(line);) {
            lines.emplace_back(line);
            inPlace.push_back(line.data() >= c.text.data() && line.data() < c.text.data() + c.text.size());
        }
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(inPlace, c.inPlace);
        EXPECT_EQ(cutter.Progress(), 100);
    }
}
