#pragma once
// The per-user settings store as an INI file under the application "Trevix": one group per
// section. The file holds FTP passwords, so it is kept readable and writable by its owner
// only: it is created that way before the first write (later writes replace the file and keep
// its mode) and the mode is enforced again after every sync that wrote. Reading alone never
// opens the file for writing or changes its mode. Changes reach the file at Sync(),
// at destruction, or when a running event loop lets QSettings write them.
#include "SettingsStore.h"

#include <memory>
#include <string>

namespace trevix {

class QtSettingsStore : public SettingsStore {
public:
    // The user's own settings file (organisation and application "Trevix").
    QtSettingsStore();
    // A settings file at an explicit path (tests, portable installs).
    explicit QtSettingsStore(const std::string& filePath);
    ~QtSettingsStore() override;
    QtSettingsStore(const QtSettingsStore&) = delete;
    QtSettingsStore& operator=(const QtSettingsStore&) = delete;

    std::string GetSetting(std::string_view section, std::string_view key,
                           std::string_view defaultValue = {}) const override;
    void SaveSetting(std::string_view section, std::string_view key, std::string_view value) override;
    void DeleteSetting(std::string_view section, std::string_view key) override;
    void DeleteSection(std::string_view section) override;

    // Writes pending changes to the file (and takes in changes others made) and restores the
    // owner-only mode. False when the file could not be written.
    bool Sync();
    // False when the file exists but could not be read or parsed.
    bool ReadCleanly() const;

    // Where the user's own settings file lives.
    static std::string DefaultFilePath();
    // Empty when path can be read as settings (or does not exist yet); else why not. Checked
    // before reading, so a pipe or device never blocks or is touched.
    static std::string CheckReadable(const std::string& path);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace trevix
