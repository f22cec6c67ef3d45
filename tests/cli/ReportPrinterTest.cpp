#include "cli/CliHost.h"
#include "cli/ReportPrinter.h"
#include "engine/base/Locale.h"
#include "engine/lists/ListSorting.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

using namespace trevix;

TEST(ReportPrinter, EveryRowStaysOneLineOfTabSeparatedCells) {
    ReportLists lists;
    ReportList& files = *FindListByName(lists, "lstFiles");
    size_t row = files.AddRow("/a\tb.html");
    files.SetCell(row, 2, "1,234");
    files.AddRow("/line\r\nbreak");   // cells beyond the first stay empty
    std::ostringstream out;
    PrintList(out, files);
    EXPECT_EQ(out.str(),
              "File\tTotal Requests\tGets\tReloads\tResumes\tBandwidth (MB)\n"
              "/a b.html\t1,234\t\t\t\t\n"
              "/line  break\t\t\t\t\t\n");
    EXPECT_EQ(FindListByName(lists, "lstConversions2"), lists.ListNumber(14));
    EXPECT_EQ(FindListByName(lists, "lstSites"), nullptr);
    EXPECT_EQ(FindListByName(lists, "nothing"), nullptr);
}

// Text from a log never carries a control character to the terminal; tabs and line ends keep
// their meaning where the output has structure.
TEST(ReportPrinter, ControlCharactersAreShownAsEscapes) {
    struct Case {
        const char* Name;
        std::string Text;
        std::string Cell;       // printed as a list cell
        std::string Terminal;   // printed as message text
    };
    const Case cases[] = {
        {"ESC sequence", "a\x1b]0;title\x07z", "a\\x1b]0;title\\x07z", "a\\x1b]0;title\\x07z"},
        {"NUL and DEL", std::string("a\0b\x7f", 4), "a\\x00b\\x7f", "a\\x00b\\x7f"},
        {"C1 control in UTF-8", "a\xC2\x9B" "2J", "a\\u009b2J", "a\\u009b2J"},
        {"other UTF-8 stays", "caf\xC3\xA9 \xC2\xA0", "caf\xC3\xA9 \xC2\xA0", "caf\xC3\xA9 \xC2\xA0"},
        {"tab and line ends", "a\tb\r\nc\rd\ne", "a b  c d e", "a\tb\nc\nd\ne"},
        {"escape at the end", "x\x1b", "x\\x1b", "x\\x1b"},
        {"bidirectional controls", "a\xE2\x80\xAE" "b\xE2\x81\xA6" "c\xD8\x9C" "d\xE2\x80\x8E" "e\xE2\x81\xA9",
         "a\\u202eb\\u2066c\\u061cd\\u200ee\\u2069", "a\\u202eb\\u2066c\\u061cd\\u200ee\\u2069"},
        {"their neighbours stay", "\xE2\x80\xAF\xE2\x80\x90\xE2\x81\xAA\xD8\x9D", "\xE2\x80\xAF\xE2\x80\x90\xE2\x81\xAA\xD8\x9D",
         "\xE2\x80\xAF\xE2\x80\x90\xE2\x81\xAA\xD8\x9D"},
        {"cut sequence at the end", "x\xE2\x80", "x\xE2\x80", "x\xE2\x80"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ReportList list("lstTest", {ListColumn{"Col"}});
        list.AddRow(c.Text);
        std::ostringstream out;
        PrintList(out, list);
        EXPECT_EQ(out.str(), "Col\n" + c.Cell + "\n");
        EXPECT_EQ(TerminalText(c.Text), c.Terminal);
    }
}

// A control is found wherever it falls in a long cell (the plain stretches are skipped eight
// bytes at a time), and a list longer than one written block comes out whole and in order.
TEST(ReportPrinter, ControlsAnywhereInLongCellsAndLongLists) {
    const std::string plain = "abcdefghijklmnopqrstuvwxyz ~0123456789ABCD";   // 0x20 and 0x7E too
    struct Control {
        std::string Bytes, Shown;
    };
    std::vector<Control> controls = {{"\t", " "},
                                     {"\n", " "},
                                     {"\x7f", "\\x7f"},
                                     {"\xC2\x85", "\\u0085"},
                                     {"\xE2\x80\xAE", "\\u202e"},
                                     {"\xD8\x9C", "\\u061c"}};
    for (int c = 0; c < 0x20; ++c) {
        if (c == '\t' || c == '\n' || c == '\r') continue;
        char shown[8];
        std::snprintf(shown, sizeof shown, "\\x%02x", c);
        controls.push_back({std::string(1, static_cast<char>(c)), shown});
    }
    for (const Control& control : controls) {
        for (size_t at = 0; at <= plain.size(); ++at) {
            SCOPED_TRACE(control.Shown + " at " + std::to_string(at));
            ReportList list("lstTest", {ListColumn{"Col"}});
            // A character of two bytes that is no control stays as it is, before and after.
            list.AddRow(plain.substr(0, at) + control.Bytes + plain.substr(at) + "\xC3\xA9");
            std::ostringstream out;
            PrintList(out, list);
            ASSERT_EQ(out.str(), "Col\n" + plain.substr(0, at) + control.Shown + plain.substr(at) + "\xC3\xA9\n");
        }
    }

    ReportList list("lstTest", {ListColumn{"Col"}, ListColumn{"N"}});
    std::string expected = "Col\tN\n";
    for (int r = 0; r < 30000; ++r) {
        const std::string cell = plain + std::to_string(r);
        list.SetCell(list.AddRow(cell), 2, std::to_string(r));
        expected += cell + "\t" + std::to_string(r) + "\n";
    }
    std::ostringstream out;
    PrintList(out, list);
    EXPECT_EQ(out.str(), expected);
}

// Several lists, long enough to be made ready on two threads, print as one after another would:
// in the order asked for, each after a blank line, the busiest rows first.
TEST(ReportPrinter, ListsPrintInTheOrderAskedWhicheverThreadMadeThem) {
    ReportLists lists;
    ReportList& files = lists[lstFiles];
    ReportList& referrers = lists[lstReferrers];
    ReportList& hours = lists[lstHour];
    for (int r = 0; r < 15000; ++r) {
        const size_t row = files.AddRow("/f" + std::to_string(r));
        files.SetCell(row, 2, CellValue(std::to_string(r * 7919 % 1000), r * 7919 % 1000));
    }
    for (int r = 0; r < 9000; ++r) {
        const size_t row = referrers.AddRow("http://r" + std::to_string(r) + ".example/");
        referrers.SetCell(row, 3, CellValue(std::to_string(r % 17), r % 17));
    }
    for (int h = 0; h < 24; ++h) hours.SetCell(hours.AddRow(std::to_string(h)), 2, CellValue("5", 5));

    const std::vector<const ReportList*> asked = {&hours, &files, &referrers, &files};
    std::ostringstream one;
    for (const ReportList* list : asked) {
        one << "\n";
        PrintList(one, *list, ExportRowOrder(*list, Locale::Fixed()));
    }
    std::ostringstream together;
    PrintLists(together, asked, Locale::Fixed());
    EXPECT_EQ(together.str(), one.str());
    // The first file counted 999 times comes first.
    EXPECT_NE(together.str().find("\tBandwidth (MB)\n/f321\t999\t"), std::string::npos);
}
