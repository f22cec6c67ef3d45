#include "UserFolders.h"

#include <QDir>
#include <QStandardPaths>

#include <filesystem>

namespace trevix {

std::string GetSpecialFolderPath(int folder) {
    if (folder != SpecialFolderPersonal) return {};
    QString path = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (path.isEmpty()) return {};
    return QDir::toNativeSeparators(path).toUtf8().toStdString();
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    path += static_cast<char>(std::filesystem::path::preferred_separator);
    path += name;
    return path;
}

} // namespace trevix
