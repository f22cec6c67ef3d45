#pragma once
// The options dialog ("&Tools" / "&Options..."): the user's options, the file extensions that
// are not pages and the session-ID prefixes. Modal; OK validates the two numbers, stores the
// two lists and closes; the caller then applies and stores the options (FinishOptions).
#include "engine/ProgramOptions.h"

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QLineEdit;
class QTreeWidget;

namespace trevix {
class Analyser;
class SettingsStore;
struct RecentLists;
}

namespace trevix::ui {

// What the main window still has to do after the dialog.
struct OptionsOutcome {
    bool Confirmed = false;
    // The country report was switched on and its data had not been loaded: the loader passed
    // to RunOptionsDialog was called (the main window shows its splash meanwhile).
    bool CountryDataLoaded = false;
    // The shown report lacks what the new options add: mark it out of date (ShowUpdate).
    bool ReportOutOfDate = false;
    // Always: the help text and the raw-log view show the options as they are now.
    bool RefreshHelpText = false;
    bool RefreshRawLog = false;
};

class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    OptionsDialog(Analyser& a, SettingsStore& store, QWidget* parent = nullptr);

    // Where "Load Defaults" reads the shipped lists (the program's data folder by default).
    void SetDataFolder(std::string folder) { dataFolder_ = std::move(folder); }
    bool Cancelled() const { return cancelled_; }
    // The options as the controls show them (valid after OK).
    const ProgramOptions& Chosen() const { return chosen_; }

    void accept() override;   // OK: validation, then the two lists are stored
    void reject() override;   // Cancel, Esc and the close box

private:
    QWidget* BuildPreferences();
    QWidget* BuildLogsAndReports();
    QWidget* BuildList(int item);
    bool ReadBound(QLineEdit* box, const char* notNumber, const char* negative, int16_t& value);
    void Populate(int item);
    void AddRow(int item);
    void EditRow(int item);
    void RemoveRow(int item);
    void LoadDefaults(int item);
    void Browse(int item);
    void BrowseCAFile();

    Analyser& a_;
    SettingsStore& store_;
    std::string dataFolder_;
    ProgramOptions chosen_;
    bool cancelled_ = true;

    QLineEdit* maxFiles_;
    QLineEdit* maxFilters_;
    QCheckBox* hideSearchEngines_;
    QCheckBox* analyseCountries_;
    QCheckBox* countryInfo_;
    QCheckBox* showRawLog_;
    QCheckBox* convertTimes_;
    QLineEdit* folders_[2];
    QCheckBox* ftpRename_;
    QLineEdit* template_;
    QCheckBox* autoReport_;
    QLineEdit* caFile_;
    QCheckBox* mergeSessions_;
    QTreeWidget* lists_[4] = {};   // items 2 (file extensions) and 3 (session-ID prefixes)
};

// Opens the dialog modally and, after OK, applies it: options copied, country data loaded
// through loadCountryData when the country report is newly needed, recent lists resized,
// options saved. Returns true after OK. out says what the main window still has to do.
bool RunOptionsDialog(Analyser& a, SettingsStore& store, RecentLists& recent, QWidget* parent,
                      OptionsOutcome& out, const std::function<bool()>& loadCountryData = {});

// The part after the dialog has closed, for callers that ran the dialog themselves.
void FinishOptions(Analyser& a, SettingsStore& store, RecentLists& recent, const OptionsDialog& dialog,
                   OptionsOutcome& out, const std::function<bool()>& loadCountryData);

} // namespace trevix::ui
