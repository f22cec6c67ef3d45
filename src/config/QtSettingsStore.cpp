#include "QtSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#ifndef _WIN32
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace trevix {

namespace {

QString ToQ(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string FromQ(const QString& text) {
    return text.toUtf8().toStdString();
}

QString KeyPath(std::string_view section, std::string_view key) {
    return ToQ(section) + u'/' + ToQ(key);
}

// Creates the file (and its folder) with owner-only access before anything is written to
// it, and narrows the mode of a file that already exists.
void EnsureOwnerOnly(const QString& path, bool create = true) {
#ifndef _WIN32
    QFileInfo info(path);
    if (!create && !info.exists()) return;
    // Only a regular file is ours to narrow (never a device or a pipe named as settings).
    if (info.exists() && !info.isFile()) return;
    QDir().mkpath(info.absolutePath());
    QByteArray native = QFile::encodeName(path);
    int fd = ::open(native.constData(), O_WRONLY | (create ? O_CREAT : 0) | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd >= 0) {
        ::fchmod(fd, S_IRUSR | S_IWUSR);
        ::close(fd);
    }
#else
    (void)path;
    (void)create; // the per-user profile folder is already private to its owner
#endif
}

} // namespace

struct QtSettingsStore::Impl {
    std::unique_ptr<QSettings> settings;
    // Reading never creates the file; the first change does, owner-only, before QSettings
    // writes anything to it.
    bool changed = false;
    void WillChange() {
        if (changed) return;
        changed = true;
        EnsureOwnerOnly(settings->fileName());
    }
};

QtSettingsStore::QtSettingsStore() : d_(std::make_unique<Impl>()) {
    // Find out where the user's file lives, then make sure it exists with the right mode
    // before QSettings writes to it for the first time.
    // Reading neither opens the file for writing nor changes its mode.
    d_->settings = std::make_unique<QSettings>(QString::fromStdString(DefaultFilePath()), QSettings::IniFormat);
}

std::string QtSettingsStore::DefaultFilePath() {
    return FromQ(QSettings(QSettings::IniFormat, QSettings::UserScope, "Trevix", "Trevix").fileName());
}

std::string QtSettingsStore::CheckReadable(const std::string& path) {
#ifndef _WIN32
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno == ENOENT ? std::string() : std::strerror(errno);
    if (S_ISDIR(st.st_mode)) return "it is a directory";
    if (S_ISFIFO(st.st_mode)) return "it is a pipe (FIFO), not a file";
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return "it is a device, not a file";
    if (!S_ISREG(st.st_mode)) return "it is not a regular file";
    // Opened for reading only, never blocking: what QSettings is about to do.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::strerror(errno);
    ::close(fd);
#else
    (void)path;
#endif
    return {};
}

bool QtSettingsStore::ReadCleanly() const {
    return d_->settings->status() == QSettings::NoError;
}

QtSettingsStore::QtSettingsStore(const std::string& filePath) : d_(std::make_unique<Impl>()) {
    d_->settings = std::make_unique<QSettings>(QString::fromStdString(filePath), QSettings::IniFormat);
}

QtSettingsStore::~QtSettingsStore() {
    Sync();
}

std::string QtSettingsStore::GetSetting(std::string_view section, std::string_view key,
                                        std::string_view defaultValue) const {
    QVariant value = d_->settings->value(KeyPath(section, key));
    if (!value.isValid()) return std::string(defaultValue);
    // A hand-edited value with unquoted commas comes back as a list.
    if (value.metaType().id() == QMetaType::QStringList) return FromQ(value.toStringList().join(", "));
    return FromQ(value.toString());
}

void QtSettingsStore::SaveSetting(std::string_view section, std::string_view key, std::string_view value) {
    d_->WillChange();
    d_->settings->setValue(KeyPath(section, key), ToQ(value));
}

void QtSettingsStore::DeleteSetting(std::string_view section, std::string_view key) {
    d_->WillChange();
    d_->settings->remove(KeyPath(section, key));
}

void QtSettingsStore::DeleteSection(std::string_view section) {
    if (section.empty()) return; // an empty group name would mean every section
    d_->WillChange();
    d_->settings->remove(ToQ(section));
}

bool QtSettingsStore::Sync() {
    d_->settings->sync();
    if (d_->changed) EnsureOwnerOnly(d_->settings->fileName());
    return d_->settings->status() == QSettings::NoError;
}

} // namespace trevix
