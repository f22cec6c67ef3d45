#include "cli/ReportPrinter.h"

#include <gtest/gtest.h>
#include <sstream>

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
