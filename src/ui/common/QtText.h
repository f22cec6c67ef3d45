#pragma once
// The engine keeps UTF-8 std::strings; the widgets take QStrings. One short name each way.
#include <QString>
#include <string>
#include <string_view>

namespace trevix::ui {

inline QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
inline std::string Std(const QString& s) { return s.toStdString(); }

} // namespace trevix::ui
