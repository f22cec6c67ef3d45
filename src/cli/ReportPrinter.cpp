#include "ReportPrinter.h"

#include "CliHost.h"
#include "engine/base/SharedTasks.h"
#include "engine/lists/ListSorting.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>

namespace trevix {

ReportList* FindListByName(ReportLists& lists, std::string_view name) {
    for (int n = 1; n <= 16; ++n) {
        ReportList* list = lists.ListNumber(n);
        if (n != lstSites && list && list->Name == name) return list;
    }
    if (name == lists.Pages.Name) return &lists.Pages;
    return nullptr;
}

namespace {

// Below this many rows in all a second thread costs more than it saves.
constexpr size_t TwoThreadsFrom = 20000;

// The first bytes of everything ControlLength counts: other bytes never start one, so a cell is
// searched for these alone.
constexpr std::array<bool, 256> ControlStarts = [] {
    std::array<bool, 256> starts{};
    for (int c = 0; c < 0x20; ++c) starts[static_cast<size_t>(c)] = true;
    for (int c : {0x7F, 0xC2, 0xD8, 0xE2}) starts[static_cast<size_t>(c)] = true;
    return starts;
}();

void AppendCell(std::string& out, std::string_view cell) {
    // Runs without a control character are written whole; a tab or line end becomes a blank
    // (the row stays one line), any other control a visible escape.
    size_t written = 0;
    for (size_t i = 0; i < cell.size(); ++i) {
        // Eight bytes at a time while they are all printable ASCII (0x20 to 0x7E): a byte below
        // 0x20 borrows into its top bit, 0x7F carries into it, and any other sets it already.
        while (i + 8 <= cell.size()) {
            uint64_t word;
            std::memcpy(&word, cell.data() + i, 8);
            constexpr uint64_t Ones = 0x0101010101010101, Tops = 0x8080808080808080;
            if (((word - 0x20 * Ones) | (word + Ones) | word) & Tops) break;
            i += 8;
        }
        if (i >= cell.size()) break;
        if (!ControlStarts[static_cast<unsigned char>(cell[i])]) continue;
        const size_t length = ControlLength(cell, i);
        if (length == 0) continue;
        out.append(cell.data() + written, i - written);
        const char c = cell[i];
        if (c == '\t' || c == '\r' || c == '\n')
            out += ' ';
        else
            AppendEscape(out, cell.substr(i, length));
        i += length - 1;
        written = i + 1;
    }
    out.append(cell.data() + written, cell.size() - written);
}

void AppendHeader(std::string& text, const ReportList& list) {
    for (size_t c = 0; c < list.Columns.size(); ++c) {
        if (c) text += '\t';
        AppendCell(text, list.Columns[c].Title);
    }
    text += '\n';
}

// No byte of the text starts a control that AppendCell would rewrite.
bool WithoutControls(std::string_view text) {
    size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        constexpr uint64_t Ones = 0x0101010101010101, Tops = 0x8080808080808080;
        if (((word - 0x20 * Ones) | (word + Ones) | word) & Tops)
            for (size_t k = i; k < i + 8; ++k)
                if (ControlStarts[static_cast<unsigned char>(text[k])]) return false;
    }
    for (; i < text.size(); ++i)
        if (ControlStarts[static_cast<unsigned char>(text[i])]) return false;
    return true;
}

void AppendRow(std::string& text, const ReportList& list, size_t row) {
    // Rows shorter than the list print empty cells, and so does a row the list lacks.
    static const CellTexts none;
    const CellTexts& cells = row < list.Rows.size() ? list.Rows[row].Cells : none;
    const size_t shown = std::min(cells.size(), list.Columns.size());
    if (shown > 0) {
        // A row's texts lie one after another, so most rows are searched for controls at once
        // and copied cell by cell as they are.
        const std::string_view last = cells[shown - 1];
        if (WithoutControls({cells[0].data(), static_cast<size_t>(last.data() + last.size() - cells[0].data())})) {
            text.append(cells[0]);
            for (size_t c = 1; c < shown; ++c) {
                text += '\t';
                text.append(cells[c]);
            }
            text.append(list.Columns.size() - shown, '\t');
            text += '\n';
            return;
        }
    }
    for (size_t c = 0; c < list.Columns.size(); ++c) {
        if (c) text += '\t';
        if (c < cells.size()) AppendCell(text, cells[c]);
    }
    text += '\n';
}

// The text of a list's rows in the order given, after a blank line.
std::string ListText(const ReportList& list, const std::vector<size_t>& rows) {
    std::string text = "\n";
    // Sized from the first rows, so a long list is not copied again and again as it grows.
    size_t sampled = 0, bytes = 0;
    for (; sampled < rows.size() && sampled < 64; ++sampled)
        if (rows[sampled] < list.Rows.size())
            for (std::string_view cell : list.Rows[rows[sampled]].Cells) bytes += cell.size() + 1;
    if (sampled) text.reserve(bytes / sampled * rows.size() * 9 / 8 + 256);
    AppendHeader(text, list);
    for (size_t r : rows) AppendRow(text, list, r);
    return text;
}

} // namespace

void PrintList(std::ostream& out, const ReportList& list) {
    std::vector<size_t> rows(list.Rows.size());
    for (size_t r = 0; r < rows.size(); ++r) rows[r] = r;
    PrintList(out, list, rows);
}

void PrintList(std::ostream& out, const ReportList& list, const std::vector<size_t>& rows) {
    // Written a block at a time: few calls on the stream, and no copy of a whole long list.
    constexpr size_t Block = 1 << 18;
    std::string text;
    text.reserve(Block + 4096);
    AppendHeader(text, list);
    for (size_t r : rows) {
        AppendRow(text, list, r);
        if (text.size() >= Block) {
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
            text.clear();
        }
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void PrintLists(std::ostream& out, const std::vector<const ReportList*>& lists, const Locale& locale) {
    // The longest lists are taken first, so the two threads end at about the same time; the
    // texts are written in the order asked for as soon as each and those before it are ready.
    const size_t count = lists.size();
    std::vector<size_t> longestFirst(count);
    size_t rows = 0;
    for (size_t i = 0; i < count; ++i) {
        longestFirst[i] = i;
        rows += lists[i]->Rows.size();
    }
    std::stable_sort(longestFirst.begin(), longestFirst.end(), [&](size_t x, size_t y) {
        return lists[x]->Rows.size() * lists[x]->Columns.size() > lists[y]->Rows.size() * lists[y]->Columns.size();
    });
    std::vector<std::string> texts(count);
    std::unique_ptr<std::atomic<bool>[]> ready(new std::atomic<bool>[count]);
    for (size_t i = 0; i < count; ++i) ready[i] = false;
    auto make = [&](size_t task) {
        const size_t i = longestFirst[task];
        texts[i] = ListText(*lists[i], ExportRowOrder(*lists[i], locale));
        ready[i].store(true, std::memory_order_release);
    };
    size_t written = 0;
    auto writeReady = [&] {
        for (; written < count && ready[written].load(std::memory_order_acquire); ++written) {
            out.write(texts[written].data(), static_cast<std::streamsize>(texts[written].size()));
            std::string().swap(texts[written]);
        }
    };
    ShareTasks(count, count > 1 && rows >= TwoThreadsFrom, make, writeReady);
    writeReady();
}

} // namespace trevix
