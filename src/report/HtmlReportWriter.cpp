#include "HtmlReportWriter.h"

#include "CsvExport.h"
#include "engine/base/AtomicFile.h"
#include "engine/lists/ListSorting.h"
#include "engine/base/Locale.h"
#include "engine/base/Utf8.h"
#include "ProductInfo.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace trevix {

namespace {

// Headings of the lists, in the words of the report pages.
std::string_view ListHeading(std::string_view name) {
    struct Heading {
        std::string_view Name, Text;
    };
    static constexpr Heading headings[] = {
        {"lstHits", "Visitors per Date"},
        {"lstFiles", "Requested Files"},
        {"lstReferrers", "Referrers"},
        {"lstBrowsers", "Browser Raw Data"},
        {"lstOS", "Operating Systems"},
        {"lstWebBrowser", "Browsers"},
        {"lstCountries", "Countries"},
        {"lstSearchTerms", "Search Terms"},
        {"lstHour", "Visitors per Hour"},
        {"lstIPs", "Visitors"},
        {"lstErrors", "Errors"},
        {"lstConversions0", "Conversions by Referrer"},
        {"lstConversions1", "Conversions by Search Term"},
        {"lstConversions2", "Conversions by Entry Page"},
        {"lstSearchEngines", "Search Engines"},
    };
    for (const Heading& h : headings)
        if (h.Name == name) return h.Text;
    return name;
}

constexpr std::string_view Style = R"(
body{font-family:system-ui,-apple-system,"Segoe UI",Roboto,"DejaVu Sans",sans-serif;margin:1.5em;color:#1b1b1b;background:#fff}
h1{font-size:1.6em;margin:0 0 .2em}
h2{font-size:1.2em;margin:1.6em 0 .4em;border-bottom:2px solid #3a6ea5;padding-bottom:.15em}
nav{margin:.6em 0 1em;line-height:1.7}
nav a{margin-right:.9em;color:#3a6ea5;text-decoration:none;white-space:nowrap}
pre.summary{background:#f3f6fa;border:1px solid #d5dde6;padding:.7em 1em;white-space:pre-wrap;font-size:.95em}
table{border-collapse:collapse;font-size:.9em;margin-bottom:.5em}
div.table{overflow-x:auto}
th,td{border:1px solid #d5dde6;padding:.2em .5em;text-align:left;vertical-align:top}
td.t{min-width:8em;max-width:36em;overflow-wrap:anywhere}
th{background:#e4ebf3;position:sticky;top:0}
tbody tr:nth-child(even){background:#f7f9fb}
td.n,th.n{text-align:right;white-space:nowrap}
p.empty{color:#666;font-style:italic}
svg{max-width:100%;height:auto;display:block}
.legend span{display:inline-block;width:.9em;height:.9em;margin:0 .3em 0 1em;vertical-align:middle}
)";

void AppendNumber(std::string& out, double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", value);
    out += buffer;
}

void AppendColour(std::string& out, const std::array<int, 3>& rgb) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", std::clamp(rgb[0], 0, 255), std::clamp(rgb[1], 0, 255),
                  std::clamp(rgb[2], 0, 255));
    out += buffer;
}

// A round step for about five grid lines up to the greatest value.
double GridStep(double top) {
    if (top <= 0) return 1;
    const double raw = top / 5;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (raw <= m * power) return m * power;
    return 10 * power;
}

void AppendChart(std::string& out, const ChartSeries& chart, std::string_view caption) {
    const size_t rows = chart.Labels.size();
    if (rows == 0 || chart.Values.empty()) {
        out += "<p class=\"empty\">No data.</p>\n";
        return;
    }
    double top = 0;
    for (const auto& series : chart.Values)
        for (double v : series)
            if (std::isfinite(v)) top = std::max(top, v);
    const double step = GridStep(top);
    const double axisTop = std::max(step, std::ceil(top / step) * step);

    const double left = 56, right = 12, topMargin = 12, plotHeight = 220, labelSpace = 64;
    const double slot = std::clamp(900.0 / static_cast<double>(rows), 4.0, 40.0);
    const double width = left + right + slot * static_cast<double>(rows);
    const double height = topMargin + plotHeight + labelSpace;
    const size_t seriesCount = chart.Values.size();
    const double barWidth = slot * 0.8 / static_cast<double>(seriesCount);
    // Labels would overlap on a long date chart: show about every n-th one.
    const size_t labelEvery = std::max<size_t>(1, static_cast<size_t>(std::ceil(14.0 / slot)));

    out += "<svg role=\"img\" width=\"";
    AppendNumber(out, width);
    out += "\" height=\"";
    AppendNumber(out, height);
    out += "\" viewBox=\"0 0 ";
    AppendNumber(out, width);
    out += " ";
    AppendNumber(out, height);
    out += "\" font-size=\"11\"><title>";
    AppendHtmlEscaped(out, caption);
    out += "</title>\n";
    for (double g = 0; g <= axisTop + step / 2; g += step) {
        const double y = topMargin + plotHeight - plotHeight * g / axisTop;
        out += "<line x1=\"";
        AppendNumber(out, left);
        out += "\" x2=\"";
        AppendNumber(out, width - right);
        out += "\" y1=\"";
        AppendNumber(out, y);
        out += "\" y2=\"";
        AppendNumber(out, y);
        out += "\" stroke=\"#d5dde6\"/><text x=\"";
        AppendNumber(out, left - 6);
        out += "\" y=\"";
        AppendNumber(out, y + 4);
        out += "\" text-anchor=\"end\" fill=\"#555\">";
        char value[32];
        std::snprintf(value, sizeof value, "%.0f", g);
        out += value;
        out += "</text>\n";
    }
    for (size_t r = 0; r < rows; ++r) {
        const double x0 = left + slot * static_cast<double>(r) + slot * 0.1;
        for (size_t s = 0; s < seriesCount; ++s) {
            const double v = r < chart.Values[s].size() && std::isfinite(chart.Values[s][r]) ? chart.Values[s][r] : 0;
            const double h = plotHeight * std::max(0.0, v) / axisTop;
            out += "<rect x=\"";
            AppendNumber(out, x0 + barWidth * static_cast<double>(s));
            out += "\" y=\"";
            AppendNumber(out, topMargin + plotHeight - h);
            out += "\" width=\"";
            AppendNumber(out, std::max(1.0, barWidth - 0.5));
            out += "\" height=\"";
            AppendNumber(out, h);
            out += "\" fill=\"";
            AppendColour(out, s < chart.Colours.size() ? chart.Colours[s] : std::array<int, 3>{58, 110, 165});
            out += "\"><title>";
            AppendHtmlEscaped(out, chart.Labels[r]);
            out += ": ";
            char value[32];
            std::snprintf(value, sizeof value, "%.0f", v);
            out += value;
            out += "</title></rect>\n";
        }
        if (r % labelEvery == 0) {
            const double x = left + slot * (static_cast<double>(r) + 0.5);
            const double y = topMargin + plotHeight + 10;
            out += "<text transform=\"translate(";
            AppendNumber(out, x);
            out += ",";
            AppendNumber(out, y);
            out += ") rotate(-45)\" text-anchor=\"end\" fill=\"#333\">";
            AppendHtmlEscaped(out, chart.Labels[r]);
            out += "</text>\n";
        }
    }
    out += "</svg>\n";
    if (seriesCount > 1) {
        out += "<p class=\"legend\">";
        for (size_t s = 0; s < seriesCount; ++s) {
            out += "<span style=\"background:";
            AppendColour(out, s < chart.Colours.size() ? chart.Colours[s] : std::array<int, 3>{58, 110, 165});
            out += "\"></span>";
            out += s == 0 ? "This report" : "Comparison";
        }
        out += "</p>\n";
    }
}

void AppendTable(std::string& out, const ReportList& list) {
    out += "<section id=\"";
    out += list.Name;
    out += "\"><h2>";
    AppendHtmlEscaped(out, ListHeading(list.Name));
    out += "</h2>\n";
    if (list.RowCount() == 0) {
        out += "<p class=\"empty\">No rows.</p></section>\n";
        return;
    }
    out += "<div class=\"table\"><table><thead><tr>";
    for (const ListColumn& column : list.Columns) {
        out += column.Type == SortType::Number ? "<th class=\"n\">" : "<th>";
        AppendHtmlEscaped(out, column.Title);
        out += "</th>";
    }
    out += "</tr></thead>\n<tbody>\n";
    for (size_t r : ExportRowOrder(list, Locale::Fixed())) {
        out += "<tr>";
        for (size_t c = 1; c <= list.Columns.size(); ++c) {
            out += list.Columns[c - 1].Type == SortType::Number ? "<td class=\"n\">"
                   : list.Columns[c - 1].Type == SortType::Text ? "<td class=\"t\">"
                                                                 : "<td>";
            AppendHtmlEscaped(out, list.Cell(r, c));
            out += "</td>";
        }
        out += "</tr>\n";
    }
    out += "</tbody></table></div></section>\n";
}

bool AllowedInHtml(char32_t cp) {
    if (cp < 0x20) return cp == '\t' || cp == '\n' || cp == '\r';
    if (cp >= 0x7F && cp <= 0x9F) return false;
    if (cp >= 0xFDD0 && cp <= 0xFDEF) return false;
    if ((cp & 0xFFFE) == 0xFFFE) return false;
    if (cp >= 0xD800 && cp <= 0xDFFF) return false;
    return true;
}

} // namespace

void AppendHtmlEscaped(std::string& out, std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        switch (c) {
        case '&': out += "&amp;"; ++i; continue;
        case '<': out += "&lt;"; ++i; continue;
        case '>': out += "&gt;"; ++i; continue;
        case '"': out += "&quot;"; ++i; continue;
        case '\'': out += "&#39;"; ++i; continue;
        default: break;
        }
        if (static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F) {
            out += c;
            ++i;
            continue;
        }
        // A byte that begins no character is replaced on its own.
        const Utf8Char ch = DecodeUtf8(text, i);
        const size_t length = std::max<size_t>(ch.Length, 1);
        if (ch.Length != 0 && AllowedInHtml(ch.CodePoint) && ch.CodePoint != 0xFFFD)
            out.append(text.substr(i, length));
        else
            out += "\xEF\xBF\xBD";
        i += length;
    }
}

std::string HtmlReport(const ReportLists& lists, std::string_view siteName) {
    std::string out;
    size_t cells = 0;
    for (const ReportList* list : ExportedLists(lists))
        cells += list->RowCount() * list->Columns.size();
    out.reserve(4096 + cells * 32);

    std::string title = "Web site report";
    if (!siteName.empty()) title += " \xE2\x80\x93 " + std::string(siteName);
    out += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
           "<meta name=\"generator\" content=\"";
    AppendHtmlEscaped(out, GeneratorText());
    out += "\">\n<title>";
    AppendHtmlEscaped(out, title);
    out += "</title>\n<style>";
    out += Style;
    out += "</style>\n</head>\n<body>\n<h1>";
    AppendHtmlEscaped(out, title);
    out += "</h1>\n<nav><a href=\"#summary\">Summary</a>\n<a href=\"#dates\">Date Chart</a>\n<a href=\"#hours\">Hour Chart</a>";
    for (const ReportList* list : ExportedLists(lists)) {
        if (list->RowCount() == 0) continue;
        out += "\n<a href=\"#";
        out += list->Name;
        out += "\">";
        AppendHtmlEscaped(out, ListHeading(list->Name));
        out += "</a>";
    }
    out += "</nav>\n<section id=\"summary\"><h2>Summary</h2>\n<pre class=\"summary\">";
    std::string summary;
    for (char c : lists.Summary)
        if (c != '\r') summary += c;
    AppendHtmlEscaped(out, summary);
    out += "</pre></section>\n<section id=\"dates\"><h2>Date Chart</h2>\n";
    AppendChart(out, lists.DateChart, "Visitors per date");
    out += "</section>\n<section id=\"hours\"><h2>Hour Chart</h2>\n";
    AppendChart(out, lists.HourChart, "Visitors per hour");
    out += "</section>\n";
    for (const ReportList* list : ExportedLists(lists))
        AppendTable(out, *list);
    out += "<footer><p>";
    AppendHtmlEscaped(out, GeneratorText());
    out += "</p></footer>\n</body>\n</html>\n";
    return out;
}

bool WriteHtmlReport(const ReportLists& lists, std::string_view siteName, AtomicFile& file, std::string& error) {
    const std::string document = HtmlReport(lists, siteName);
    return file.Open(error) && file.Write(document, error);
}

bool WriteHtmlReport(const ReportLists& lists, std::string_view siteName, const std::string& path,
                     std::string& error) {
    return WriteFileAtomically(path, HtmlReport(lists, siteName), error);
}

} // namespace trevix
