#include "common/VisitUrl.h"

#include "common/QtText.h"
#include "engine/Analyser.h"

#include <QDesktopServices>
#include <QUrl>

namespace trevix::ui {

namespace {
UrlOpener& Opener() {
    static UrlOpener opener;
    return opener;
}
} // namespace

void SetUrlOpener(UrlOpener opener) { Opener() = std::move(opener); }

bool VisitUrl(const QString& text, QString& whyNot) {
    const QString address = text.trimmed();
    if (address.isEmpty() || address == "-") {
        whyNot = "There is no address to visit.";
        return false;
    }
    const QUrl url(address, QUrl::TolerantMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != "http" && scheme != "https") || url.host().isEmpty()) {
        whyNot = "Not opened: only http:// and https:// addresses are opened in the browser (" + address + ").";
        return false;
    }
    whyNot.clear();
    if (Opener()) return Opener()(url);
    // The result is not examined further: the desktop reports its own failures.
    return QDesktopServices::openUrl(url);
}

QString VisitUrlAddress(const Analyser& a, int listNum, int row) {
    int column = 0;
    switch (listNum) {
    case lstReferrers: case lstConversions0: column = 1; break;
    case lstSearchTerms: case lstConversions1: column = 3; break;
    case lstErrors: column = 4; break;
    default: return {};
    }
    const ReportList* list = a.Lists.ListNumber(listNum);
    if (!list || row < 0 || static_cast<size_t>(row) >= list->RowCount()) return {};
    const std::string_view cell = list->Cell(static_cast<size_t>(row), static_cast<size_t>(column));
    if (listNum == lstErrors && cell == "-") return {};
    return Q(cell);
}

bool VisitReportRow(const Analyser& a, int listNum, int row, QString& whyNot) {
    whyNot.clear();
    const QString address = VisitUrlAddress(a, listNum, row);
    return !address.isEmpty() && VisitUrl(address, whyNot);
}

} // namespace trevix::ui
