#include "CountryCache.h"

#include "ReferenceDataLoader.h"
#include "UserFolders.h"
#include "engine/base/AtomicFile.h"
#include "engine/tables/ReferenceData.h"

#include <QDir>
#include <QStandardPaths>
#include <QString>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <sys/stat.h>
#include <zlib.h>

namespace trevix {

namespace {

// Raised whenever the tables' layout or the meaning of their country indexes changes (2: a
// code repeating an earlier name adds no record): an older cache file is then parsed again.
constexpr char Magic[] = "trevix country cache 2";
constexpr std::array<const char*, 3> CountryFiles{"countries.dat", "country.dat", "country6.dat"};

void Put(std::string& out, uint64_t n) { out.append(reinterpret_cast<const char*>(&n), sizeof n); }

uint32_t Checksum(std::string_view bytes) {
    uLong crc = crc32(0L, Z_NULL, 0);
    // zlib takes at most 4 GB a call; a cache is a few megabytes, but stay correct.
    while (!bytes.empty()) {
        const size_t piece = std::min<size_t>(bytes.size(), 1u << 30);
        crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(piece));
        bytes.remove_prefix(piece);
    }
    return static_cast<uint32_t>(crc);
}

// What identifies the three files (and this machine's number layout); nothing when one is
// missing, or when writing and one changed less than settleSeconds ago.
std::optional<std::string> FilesKey(const std::string& dataFolder, long long settleSeconds) {
    std::string key(Magic, sizeof Magic);
    Put(key, 0x0102030405060708ULL);
    Put(key, dataFolder.size());
    key.append(dataFolder);
    const long long now = static_cast<long long>(std::time(nullptr));
    for (const char* name : CountryFiles) {
        struct stat st {};
        if (stat(JoinPath(dataFolder, name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
        if (settleSeconds >= 0 && (now - st.st_ctim.tv_sec < settleSeconds || now - st.st_mtim.tv_sec < settleSeconds))
            return std::nullopt;
        for (uint64_t n : {static_cast<uint64_t>(st.st_size), static_cast<uint64_t>(st.st_mtim.tv_sec),
                           static_cast<uint64_t>(st.st_mtim.tv_nsec), static_cast<uint64_t>(st.st_ctim.tv_sec),
                           static_cast<uint64_t>(st.st_ctim.tv_nsec), static_cast<uint64_t>(st.st_ino),
                           static_cast<uint64_t>(st.st_dev)})
            Put(key, n);
    }
    return key;
}

// One cache file per data folder.
std::string CachePath(const std::string& dataFolder) {
    const std::string folder = CountryCacheFolder();
    if (folder.empty()) return {};
    char name[40];
    std::snprintf(name, sizeof name, "countries-%08x.bin", Checksum(dataFolder));
    return JoinPath(folder, name);
}

} // namespace

std::string CountryCacheFolder() {
    if (const char* dir = std::getenv("TREVIX_CACHE_DIR")) return dir;
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return base.isEmpty() ? std::string() : JoinPath(base.toStdString(), "trevix");
}

bool LoadCachedCountryRanges(const std::string& dataFolder, ReferenceData& ref) {
    const std::string path = CachePath(dataFolder);
    const auto key = FilesKey(dataFolder, -1);
    if (path.empty() || !key) return false;
    const auto bytes = ReadFileBytes(path);
    if (!bytes || bytes->size() < key->size() + sizeof(uint32_t)) return false;
    std::string_view all(*bytes);
    uint32_t stored = 0;
    std::memcpy(&stored, all.data() + all.size() - sizeof stored, sizeof stored);
    all.remove_suffix(sizeof stored);
    if (Checksum(all) != stored || all.substr(0, key->size()) != *key) return false;
    all.remove_prefix(key->size());
    CountryRangeTable v4;
    CountryRangeTable6 v6;
    if (!v4.ReadFrom(all, ref.CountryCount()) || !v6.ReadFrom(all, ref.CountryCount()) || !all.empty())
        return false;
    ref.CountryRanges = std::move(v4);
    ref.CountryRanges6 = std::move(v6);
    return true;
}

void SaveCachedCountryRanges(const std::string& dataFolder, const ReferenceData& ref, long long settleSeconds) {
    const std::string path = CachePath(dataFolder);
    const auto key = FilesKey(dataFolder, settleSeconds);
    if (path.empty() || !key) return;
    std::string bytes = *key;
    ref.CountryRanges.AppendTo(bytes);
    ref.CountryRanges6.AppendTo(bytes);
    const uint32_t sum = Checksum(bytes);
    bytes.append(reinterpret_cast<const char*>(&sum), sizeof sum);
    QDir().mkpath(QString::fromStdString(CountryCacheFolder()));
    std::string error;
    WriteFileAtomically(path, bytes, error);
}

} // namespace trevix
