#include "engine/read/FormatPreview.h"

#include "engine/Analyser.h"
#include "engine/base/Text.h"
#include "engine/base/Utf8.h"
#include "engine/parse/FormatDetection.h"
#include "engine/parse/FormatLines.h"
#include "engine/read/Decompression.h"

#include <fstream>

namespace trevix {

namespace {

constexpr size_t PreviewBytes = 256 * 1024;

} // namespace

LinePreview PreviewLines(const FormatChoice& choice, bool w3cLocalTime, std::string_view text) {
    Analyser a;
    a.CurrentProfile.LogFormat = FormatChoiceText(choice);
    a.CurrentProfile.W3cLocalTime = w3cLocalTime;
    a.Tables.EntryParsing.W3cLocalTime = w3cLocalTime;
    a.LocalTimeBias = ReadLocalTimeBias();
    a.QuietParse = true;
    LinePreview preview;
    FileParseState state;
    const FileFormat format = ChooseFileFormat(a, "log", text, state);
    preview.Format = format.Known ? format.Name : std::string();
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (TrimBlanks(line).empty()) continue;
        LogEntry e;
        const ParseResult result =
            state.Format == 0 ? ParseLogLine(a, line, e, state) : ParseFormatLine(a, line, e, state);
        if (result == ParseResult::Skipped) continue;
        preview.Line = ToValidUtf8(Utf8Prefix(line, 2000));
        if (result == ParseResult::Rejected || !format.Known) {
            preview.Message = format.Known ? "The first line does not read as " + format.Name + "."
                                           : std::string("The first lines are of no known log format.");
            return preview;
        }
        preview.Read = true;
        preview.Client = std::string(e.ClientIP);
        preview.Time = std::string(e.Date) + " " + std::string(e.Time);
        if (!a.Tables.LogTimeZone.empty()) preview.Time += " " + a.Tables.LogTimeZone;
        preview.Request = std::string(e.File);
        preview.Status = std::to_string(e.Status);
        preview.Bytes = std::to_string(e.Bytes);
        preview.Referrer = std::string(e.Referrer);
        preview.UserAgent = std::string(e.UserAgent);
        return preview;
    }
    preview.Message = "The file holds no log line.";
    return preview;
}

LinePreview PreviewLogFile(const FormatChoice& choice, bool w3cLocalTime, const std::string& path) {
    std::string text;
    const LogCompression kind = CompressionOf(path);
    if (kind == LogCompression::None) {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            LinePreview preview;
            preview.Message = "Cannot read " + path + ".";
            return preview;
        }
        text.resize(PreviewBytes);
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<size_t>(in.gcount()));
    } else {
        const DecompressOutcome outcome =
            DecompressFile(kind, path, text, [&] { return text.size() < PreviewBytes; });
        if (outcome.OpenError != 0) {
            LinePreview preview;
            preview.Message = "Cannot read " + path + ".";
            return preview;
        }
    }
    // A line cut by the end of what was read is not shown.
    if (text.size() >= PreviewBytes) {
        const size_t last = text.rfind('\n');
        if (last != std::string::npos) text.resize(last + 1);
    }
    return PreviewLines(choice, w3cLocalTime, text);
}

} // namespace trevix
