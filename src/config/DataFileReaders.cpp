#include "DataFileReaders.h"

#include "engine/base/Utf8.h"

namespace trevix {

namespace {
bool IsLineEnd(char c) {
    return c == '\n' || c == '\r';
}

// Steps over one line end (CR LF counts as one).
size_t SkipLineEnd(std::string_view text, size_t i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') return i + 2;
    return i + 1;
}
} // namespace

std::vector<std::string> ReadDelimitedItems(std::string_view text) {
    std::vector<std::string> items;
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        while (i < n && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        if (i >= n) break; // like a line end: a final comma adds no item
        if (IsLineEnd(text[i])) {
            // A blank line, or a comma at the end of a line: no item.
            i = SkipLineEnd(text, i);
            continue;
        }
        std::string item;
        if (text[i] == '"') {
            size_t start = i + 1;
            size_t end = start;
            while (end < n && text[end] != '"' && !IsLineEnd(text[end]))
                ++end;
            item.assign(text.substr(start, end - start));
            i = end;
            if (i < n && text[i] == '"') ++i;
            while (i < n && text[i] != ',' && !IsLineEnd(text[i]))
                ++i;
        } else {
            size_t start = i;
            while (i < n && text[i] != ',' && !IsLineEnd(text[i]))
                ++i;
            item.assign(text.substr(start, i - start));
        }
        items.push_back(std::move(item));
        if (i < n) {
            if (text[i] == ',') {
                ++i; // "a,,b": the next round finds the comma at once and gives an empty item
            } else {
                i = SkipLineEnd(text, i);
            }
        }
    }
    return items;
}

std::vector<std::string_view> ReadWholeLines(std::string_view text) {
    std::vector<std::string_view> lines;
    ForEachLine(text, [&](std::string_view line) { lines.push_back(line); });
    return lines;
}

std::vector<std::string_view> SplitCsvLine(std::string_view line) {
    std::vector<std::string_view> pieces;
    size_t start = 0;
    while (true) {
        size_t comma = line.find(',', start);
        if (comma == std::string_view::npos) {
            pieces.push_back(line.substr(start));
            return pieces;
        }
        pieces.push_back(line.substr(start, comma - start));
        start = comma + 1;
    }
}

std::string NormaliseDataText(std::string bytes) {
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    if (IsValidUtf8(bytes)) return bytes;
    return ToValidUtf8(bytes);
}

} // namespace trevix
