#pragma once
// "Visit URL": a referring address from the report opened in the user's web browser. Log
// text comes from strangers, so only http:// and https:// addresses are ever handed over.
#include <QString>
#include <functional>

class QUrl;

namespace trevix {
class Analyser;
}

namespace trevix::ui {

// Opens text when it is a web address; otherwise returns false with the status-bar text
// saying why in whyNot.
bool VisitUrl(const QString& text, QString& whyNot);

// Who opens an accepted address (QDesktopServices by default); tests put a recorder here.
// An empty function restores the default.
using UrlOpener = std::function<bool(const QUrl&)>;
void SetUrlOpener(UrlOpener opener);

// The address a page's "Visit URL" (or a double click that acts as it) opens for row (0-based)
// of report list listNum: the referring URL of lstReferrers and of the referrer conversions
// list, the "From URL" of lstSearchTerms, the "URL" of the search-term conversions list, the
// referrer of lstErrors unless it is "-". Empty when the list has no such address or the row
// does not exist (nothing is opened then).
QString VisitUrlAddress(const Analyser& a, int listNum, int row);

// A page's "Visit URL" on a row: VisitUrlAddress, then VisitUrl. A row without an address
// opens nothing and says nothing (whyNot empty); a refused address says why.
bool VisitReportRow(const Analyser& a, int listNum, int row, QString& whyNot);

} // namespace trevix::ui
