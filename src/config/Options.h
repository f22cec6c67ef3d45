#pragma once
// Loading and saving the user's options (section "Options" of the settings store).
#include "SettingsStore.h"
#include "engine/ProgramOptions.h"

#include <string>
#include <string_view>

namespace trevix {

// The default of both folder options: the documents folder, the separator and
// "Downloaded Log Files" (just the separator and the name when the documents folder is unknown).
std::string DefaultLogFolder(std::string_view documentsFolder);

// Fills every field from the store; absent keys take their defaults. The documents folder is
// looked up once for the two folder defaults.
void LoadOptions(const SettingsStore& store, ProgramOptions& options);
void LoadOptions(const SettingsStore& store, ProgramOptions& options, std::string_view documentsFolder);

// Writes every option except AfterDownload, which the download command keeps itself.
void SaveOptions(SettingsStore& store, const ProgramOptions& options);
void SaveAfterDownload(SettingsStore& store, int16_t afterDownload);

} // namespace trevix
