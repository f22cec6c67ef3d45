#include "common/ProgramInfo.h"

#include "common/QtText.h"
#include "config/DataFolder.h"
#include "report/ProductInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#ifndef TREVIX_WEB_SITE_URL
#define TREVIX_WEB_SITE_URL ""
#endif
#ifndef TREVIX_UPDATE_URL
#define TREVIX_UPDATE_URL ""
#endif

namespace trevix::ui {

QString ProductTitle() { return QString::fromUtf8(ProductName.data(), ProductName.size()); }

QString VersionText() { return QString::fromUtf8(ProductVersion.data(), ProductVersion.size()); }

// Found like the data folder: installed beside the program, or the source tree's for a program
// run from its build tree (never for an installed one).
QIcon ProgramIcon() {
    QIcon icon;
    const QDir icons(Q(FindDataFolder()) + "/icons");
    for (const QString& file : icons.entryList({"*.png", "*.svg"}, QDir::Files))
        icon.addFile(icons.filePath(file));
    return icon.availableSizes().isEmpty() ? QIcon::fromTheme("trevix") : icon;
}

QString ManualFolder() { return Q(FindManualFolder()); }

QString WebSiteUrl() { return QString(TREVIX_WEB_SITE_URL).trimmed(); }

QString UpdateUrl() { return QString(TREVIX_UPDATE_URL).trimmed(); }

QString UpdateCheckUrl() {
    const QString base = UpdateUrl();
    if (base.isEmpty()) return {};
    const QStringList parts = VersionText().split('.');
    auto part = [&](int i) { return i < parts.size() ? parts[i].trimmed() : QString("0"); };
    return base + "&v=" + part(0) + "&x=" + part(1) + "&y=" + part(2);
}

} // namespace trevix::ui
