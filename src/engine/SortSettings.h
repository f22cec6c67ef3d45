#pragma once
// Each report list's sort column, direction and column widths, remembered in the settings
// store and applied to the lists again. Lists 1 to 16 only; nothing happens without a store.
#include "engine/base/Locale.h"
#include "engine/lists/ReportLists.h"
#include "engine/SettingsStore.h"

namespace trevix {

// Sorts lists 1 to 16 (not the site list) by their remembered column and direction, as saved.
void ApplySortSettings(ReportLists& lists, SettingsStore* store, const Locale& locale);
// Remembers the sort column and direction of lists 1 to 16.
void SaveSortSettings(const ReportLists& lists, SettingsStore* store);
void SaveColumnWidths(const ReportLists& lists, SettingsStore* store);
// A remembered width that is missing reads as 1440 twips, and a report list's column without
// one is marked to be fitted to its rows; a negative width is ignored. A column still marked
// so stores no width.
void SetColumnWidths(ReportLists& lists, SettingsStore* store);

} // namespace trevix
