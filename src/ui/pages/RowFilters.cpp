#include "pages/RowFilters.h"

#include "engine/lists/ReportLists.h"
#include "engine/tables/ReferenceData.h"

#include <cctype>

namespace trevix::ui {

namespace {
bool IsCountryCode(const std::string& s) {
    return s.size() == 2 && std::isalpha(static_cast<unsigned char>(s[0])) && std::isalpha(static_cast<unsigned char>(s[1]));
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}
} // namespace

std::string FilterFieldOfList(int listNum) {
    switch (listNum) {
    case lstErrors: return "status";
    case lstIPs: return "address";
    case lstReferrers: return "referrer";
    // The raw data rows are pieces of the user agents as logged; the operating system and
    // browser lists show names the agents were grouped under, which no agent need contain.
    case lstBrowsers: return "agent";
    case lstCountries: return "country";
    case lstFiles: return "file";
    default: return {};
    }
}

std::string FilterValueOfRow(const ReportList& list, int listNum, int row, const ReferenceData& ref) {
    const std::string field = FilterFieldOfList(listNum);
    if (field.empty() || row < 0 || static_cast<size_t>(row) >= list.Rows.size()) return {};
    const ListRow& r = list.Rows[static_cast<size_t>(row)];
    const std::string text(r.Cells.empty() ? std::string_view() : r.Cells[0]);
    if (field != "country") return text;
    // The rows of a run carry the code as their key; a loaded report's may not.
    const std::string key = Lower(r.Key);
    if (IsCountryCode(key) && (ref.CountryIndexByCode.empty() || ref.CountryIndexByCode.contains(key))) return key;
    for (size_t c = 1; c < ref.CountryList.size(); ++c)
        if (ref.CountryList[c].Name == text && !text.empty()) return Lower(ref.CountryList[c].Code);
    return {};
}

FilterDescription RowFilterDescription(const std::string& field, const std::string& value, bool keep) {
    const bool text = field == "referrer" || field == "agent";
    return {field, text ? (keep ? "contains" : "doesn't contain") : (keep ? "is" : "is not"), value};
}

} // namespace trevix::ui
