#include "engine/lists/CellTexts.h"
#include "engine/lists/ReportLists.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

using namespace trevix;

namespace {

// Texts of every length class: empty, short, about a block's growth step, long.
std::string TextOf(std::mt19937& random) {
    static const size_t lengths[] = {0, 1, 3, 15, 16, 17, 40, 300, 5000};
    const size_t length = lengths[random() % std::size(lengths)];
    std::string text(length, ' ');
    for (char& c : text) c = static_cast<char>('a' + random() % 26);
    return text;
}

} // namespace

// Every edit a row sees (appends, rewrites longer and shorter, cuts and extensions, numbers given
// and taken, copies, a cell written from another cell of the same row) against plain vectors.
TEST(CellTexts, EditsReadBackAsAVectorOfStringsWould) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::mt19937 random(seed);
        CellTexts cells;
        std::vector<std::string> model;
        std::vector<double> numbers;   // NaN: none
        for (int step = 0; step < 200; ++step) {
            const unsigned op = random() % 7;
            if (op <= 1 || model.empty()) {
                const std::string text = TextOf(random);
                cells.push_back(text);
                model.push_back(text);
                numbers.push_back(kNoNumber);
            } else if (op == 2) {
                const size_t at = random() % model.size();
                const std::string text = TextOf(random);
                cells.Set(at, text);
                model[at] = text;
            } else if (op == 3) {
                const size_t count = random() % (model.size() + 4);
                cells.resize(count);
                model.resize(count);
                numbers.resize(count, kNoNumber);
            } else if (op == 4) {
                const size_t from = random() % model.size(), to = random() % model.size();
                cells.Set(to, cells[from]);
                model[to] = std::string(model[from]);
                cells.push_back(cells[from]);
                model.push_back(model[from]);
                numbers.push_back(kNoNumber);
            } else if (op == 5) {
                const size_t at = random() % model.size();
                const double number = random() % 4 == 0 ? kNoNumber : static_cast<double>(random() % 1000) / 8;
                cells.SetNumber(at, number);
                numbers[at] = number;
            } else {
                CellTexts copy(cells);
                cells = CellTexts();
                cells = copy;
                EXPECT_EQ(copy, cells);
            }
            ASSERT_EQ(cells.Strings(), model) << "seed " << seed << " step " << step << " op " << op;
            for (size_t c = 0; c <= numbers.size(); ++c) {
                const double want = c < numbers.size() ? numbers[c] : kNoNumber;
                ASSERT_TRUE(cells.Number(c) == want || (std::isnan(want) && std::isnan(cells.Number(c))))
                    << "seed " << seed << " step " << step << " cell " << c;
            }
        }
    }
}

// A row packed at once and a row written cell by cell read the same, texts and numbers alike,
// and a cell past the row's end is created with empty cells before it.
TEST(CellTexts, RowsReadTheSameHoweverTheyWereWritten) {
    ReportList list("lstFiles", {{"File"}, {"A", SortType::Number}, {"B", SortType::Number}, {"C"}});
    const size_t packed = list.AddRowOf({"/a.html", CellRef("1,234", 1234), "", "x"});
    const size_t written = list.AddRow("/a.html");
    list.SetCell(written, 4, "x");
    list.SetCell(written, 2, CellValue("1,234", 1234));
    list.SetCell(written, 3, "");
    const size_t plain = list.AddRowOf({"/b.html", "text"});
    for (size_t column = 1; column <= 5; ++column) {
        EXPECT_EQ(list.Cell(packed, column), list.Cell(written, column)) << column;
        const double x = list.CellNumber(packed, column), y = list.CellNumber(written, column);
        EXPECT_TRUE(x == y || (std::isnan(x) && std::isnan(y))) << column;
    }
    EXPECT_EQ(list.Rows[packed].Cells, list.Rows[written].Cells);
    EXPECT_TRUE(list.Rows[packed].Cells.HasNumbers());
    EXPECT_FALSE(list.Rows[plain].Cells.HasNumbers());
    EXPECT_EQ(list.Cell(plain, 2), "text");
    EXPECT_EQ(list.Cell(plain, 9), "");
    EXPECT_NE(list.Rows[packed].ItemData, list.Rows[written].ItemData);
}
