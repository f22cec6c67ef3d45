#include "engine/SortSettings.h"

#include "engine/lists/ListSorting.h"
#include "engine/base/Text.h"

#include <string>
#include <string_view>

namespace trevix {

namespace {

constexpr int kFirstList = 1;
constexpr int kLastList = 16;

// A stored whole number; out-of-range values are kept far away from any real column.
int StoredInt(std::string_view text) {
    const double v = LeadingNumber(text);
    if (v > 1e9) return 1000000000;
    if (v < -1e9) return -1000000000;
    return static_cast<int>(v);
}

std::string SettingName(int listNum, std::string_view what, int column = 0) {
    std::string name = "List" + std::to_string(listNum);
    name += what;
    if (column > 0) name += std::to_string(column);
    return name;
}

} // namespace

void ApplySortSettings(ReportLists& lists, SettingsStore* store, const Locale& locale) {
    if (!store) return;
    for (int n = kFirstList; n <= kLastList; ++n) {
        if (n == lstSites) continue;
        ReportList* list = lists.ListNumber(n);
        if (!list) break;
        const std::string key = store->GetSetting("Sort", SettingName(n, "Key"), "X");
        const std::string dir = store->GetSetting("Sort", SettingName(n, "Dir"), "X");
        if (key == "X" || dir == "X") continue;
        int order = StoredInt(dir);
        SortList(*list, StoredInt(key) + 1, order, locale);
    }
}

void SaveSortSettings(const ReportLists& lists, SettingsStore* store) {
    if (!store) return;
    for (int n = kFirstList; n <= kLastList; ++n) {
        const ReportList* list = lists.ListNumber(n);
        if (!list) break;
        store->SaveSetting("Sort", SettingName(n, "Key"), std::to_string(list->SortKey));
        store->SaveSetting("Sort", SettingName(n, "Dir"), std::to_string(list->SortOrder));
    }
}

void SaveColumnWidths(const ReportLists& lists, SettingsStore* store) {
    if (!store) return;
    for (int n = kFirstList; n <= kLastList; ++n) {
        const ReportList* list = lists.ListNumber(n);
        if (!list) break;
        for (size_t j = 0; j < list->Columns.size(); ++j) {
            // A column still waiting for its first rows has no width of its own to keep.
            if (list->Columns[j].FitToContents) continue;
            store->SaveSetting("Window", SettingName(n, "Width", static_cast<int>(j + 1)),
                               std::to_string(list->Columns[j].Width));
        }
    }
}

void SetColumnWidths(ReportLists& lists, SettingsStore* store) {
    if (!store) return;
    for (int n = kFirstList; n <= kLastList; ++n) {
        ReportList* list = lists.ListNumber(n);
        if (!list) break;
        for (size_t j = 0; j < list->Columns.size(); ++j) {
            ListColumn& column = list->Columns[j];
            const std::string stored =
                store->GetSetting("Window", SettingName(n, "Width", static_cast<int>(j + 1)), "X");
            // The site list is the window's own, sized by it; a report list's column without a
            // stored width is sized to its contents by the window.
            if (stored == "X") {
                column.Width = 1440;
                column.FitToContents = n != lstSites;
                continue;
            }
            column.FitToContents = false;
            const int width = StoredInt(stored);
            // A negative width cannot be shown; the column keeps the width it has.
            if (width >= 0) column.Width = width;
        }
    }
}

} // namespace trevix
