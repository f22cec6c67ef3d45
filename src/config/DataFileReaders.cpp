#include "DataFileReaders.h"

#include "engine/Text.h"

namespace trevix {

namespace {
bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

// Steps over one line end (CR LF counts as one).
size_t SkipLineEnd(std::string_view text, size_t i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') return i + 2;
    return i + 1;
}

bool IsBlankLine(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }
} // namespace

std::vector<std::string> ReadDelimitedItems(std::string_view text) {
    std::vector<std::string> items;
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
        if (i >= n) break;   // like a line end: a final comma adds no item
        if (IsLineEnd(text[i])) {
            // A blank line, or a comma at the end of a line: no item.
            i = SkipLineEnd(text, i);
            continue;
        }
        std::string item;
        if (text[i] == '"') {
            size_t start = i + 1;
            size_t end = start;
            while (end < n && text[end] != '"' && !IsLineEnd(text[end])) ++end;
            item.assign(text.substr(start, end - start));
            i = end;
            if (i < n && text[i] == '"') ++i;
            while (i < n && text[i] != ',' && !IsLineEnd(text[i])) ++i;
        } else {
            size_t start = i;
            while (i < n && text[i] != ',' && !IsLineEnd(text[i])) ++i;
            item.assign(text.substr(start, i - start));
        }
        items.push_back(std::move(item));
        if (i < n) {
            if (text[i] == ',') {
                ++i;   // "a,,b": the next round finds the comma at once and gives an empty item
            } else {
                i = SkipLineEnd(text, i);
            }
        }
    }
    return items;
}

std::vector<std::string_view> ReadWholeLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t i = 0;
    while (i < text.size()) {
        size_t end = i;
        while (end < text.size() && !IsLineEnd(text[end])) ++end;
        std::string_view line = text.substr(i, end - i);
        if (!IsBlankLine(line)) lines.push_back(line);
        i = end < text.size() ? SkipLineEnd(text, end) : end;
    }
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

std::string NormaliseDataText(std::string_view bytes) {
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    if (IsValidUtf8(bytes)) return std::string(bytes);
    return ToValidUtf8(bytes);
}

} // namespace trevix
