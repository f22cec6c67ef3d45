#pragma once
// Cuts a log file's text into lines, as the run's line loop and the benchmarks read them.
#include <cstddef>
#include <string_view>

namespace trevix {

class Analyser;
class FileText;

// Lines longer than this are reported, counted as rejected and skipped.
inline constexpr size_t LongLine = 30000;

// Hands out the file's lines one by one: LF cut, the CR kept, over-long lines reported and
// rejected, lines that are not valid UTF-8 re-read with Windows-1252 for their stray bytes.
// A text with no LF at all but with CRs comes from a system that ends lines with CR alone.
class LineCutter {
public:
    // With source (the file text holds text), cutting stops where a mapped file was cut short.
    LineCutter(Analyser& a, std::string_view text, const FileText* source);

    static bool UsesCrAlone(std::string_view text);

    // The next non-empty line; false at the end of the text.
    bool Next(std::string_view& line);
    // Percentage of the text cut so far.
    long long Progress() const {
        return text_.empty()
                   ? 100
                   : static_cast<long long>((pos_ < text_.size() ? pos_ : text_.size()) * 100 / text_.size());
    }

private:
    Analyser& a_;
    std::string_view text_;
    const FileText* source_;
    char end_;
    size_t pos_ = 0;
    size_t fetched_ = 0;   // the text before this was asked into the cache (Next)
    bool last_ = false;
};

} // namespace trevix
