#include "window/ShownSummary.h"

#include "window/GuiRunHost.h"

#include <QLocale>

namespace trevix::ui {

QString ShownSummary(std::string_view summary, size_t limit) {
    if (summary.size() <= limit) return ShownText(summary);
    size_t cut = summary.rfind('\n', limit == 0 ? 0 : limit - 1);
    if (cut != std::string_view::npos && cut >= limit / 2) {
        ++cut;   // the line end stays with its line
    } else {
        cut = limit;
        // Never inside a UTF-8 sequence.
        while (cut > 0 && (static_cast<unsigned char>(summary[cut]) & 0xC0) == 0x80) --cut;
    }
    QString text = ShownText(summary.substr(0, cut));
    if (!text.endsWith('\n')) text += '\n';
    const QLocale locale;
    text += QString("\n[The summary is %1 long; only its first %2 are shown here. The whole text is kept "
                    "and saved with the report.]")
                .arg(locale.formattedDataSize(static_cast<qint64>(summary.size()), 1, QLocale::DataSizeTraditionalFormat),
                     locale.formattedDataSize(static_cast<qint64>(cut), 1, QLocale::DataSizeTraditionalFormat));
    return text;
}

} // namespace trevix::ui
