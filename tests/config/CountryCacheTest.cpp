#include "TestHost.h"
#include "config/CountryCache.h"
#include "config/ReferenceDataLoader.h"
#include "engine/tables/ReferenceData.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <string>
#include <vector>

using namespace trevix;
namespace fs = std::filesystem;

namespace {

const char* const Addresses[] = {"1.0.0.0", "1.0.0.255", "1.0.1.0", "10.0.0.7", "10.0.0.8",
                                 "255.255.255.255", "2001:db8::1", "2001:db9::", "::ffff:1.0.0.9"};

struct CacheFolders {
    trevix::testing::TempDir data, cache;
    CacheFolders() {
        setenv("TREVIX_CACHE_DIR", cache.Path().c_str(), 1);
        data.Write("countries.dat", "au,Australia\nnl,Netherlands\nde,Germany\n");
        data.Write("country.dat", "\"  16777216\",\"16777471\",\"au\",\"\",\"Australia\"\n"
                                  "\"  167772160\",\"167772167\",\"nl\",\"\",\"Netherlands\"\n");
        data.Write("country6.dat", "\"  2001:db8::\",\"2001:db8:ffff:ffff:ffff:ffff:ffff:ffff\",\"de\",\"\",\"Germany\"\n");
        // Written an hour ago, as far as the cache can tell: a rewrite within the clock's
        // granularity then still changes the times.
        for (const char* name : {"countries.dat", "country.dat", "country6.dat"})
            fs::last_write_time(data.File(name), fs::last_write_time(data.File(name)) - std::chrono::hours(1));
    }
    ~CacheFolders() { unsetenv("TREVIX_CACHE_DIR"); }
    std::string CacheFile() const {
        for (const auto& entry : fs::directory_iterator(cache.Path())) return entry.path().string();
        return {};
    }
};

// Loads the country files of folder (from the cache when there is a valid one).
std::vector<int32_t> Countries(const std::string& folder, bool* fromCache = nullptr) {
    ReferenceData ref;
    test::RecordingHost host;
    ParseCountryList(ref, *ReadDataFile(folder + "/countries.dat"));
    const bool cached = LoadCachedCountryRanges(folder, ref);
    if (fromCache) *fromCache = cached;
    if (!cached) EXPECT_TRUE(LoadCountryData(ref, host, folder));
    std::vector<int32_t> found;
    for (const char* address : Addresses) found.push_back(ref.FindCountry(address));
    return found;
}

void FlipByte(const std::string& path, long offset) {
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekg(offset, offset < 0 ? std::ios::end : std::ios::beg);
    char c = 0;
    f.read(&c, 1);
    f.seekp(offset, offset < 0 ? std::ios::end : std::ios::beg);
    c = static_cast<char>(c ^ 0x20);
    f.write(&c, 1);
}

} // namespace

// A cache gives exactly the countries the text gives; whatever makes it stale or damaged sends
// the load back to the text, with the text's answers.
TEST(CountryCache, AnswersAsTheTextAndIsRefusedWhenStaleOrDamaged) {
    struct Case {
        const char* name;
        std::function<void(CacheFolders&)> spoil;   // after the cache was written
        bool used;
    };
    const Case cases[] = {
        {"untouched", [](CacheFolders&) {}, true},
        {"range file rewritten at the same size",
         [](CacheFolders& f) {
             f.data.Write("country.dat", "\"  16777216\",\"16777471\",\"nl\",\"\",\"Australia\"\n"
                                         "\"  167772160\",\"167772167\",\"au\",\"\",\"Netherlands\"\n");
         },
         false},
        {"IPv6 file removed", [](CacheFolders& f) { fs::remove(f.data.File("country6.dat")); }, false},
        {"cache cut short", [](CacheFolders& f) { fs::resize_file(f.CacheFile(), fs::file_size(f.CacheFile()) / 2); },
         false},
        {"a byte of the tables changed", [](CacheFolders& f) { FlipByte(f.CacheFile(), -40); }, false},
        {"cache emptied", [](CacheFolders& f) { fs::resize_file(f.CacheFile(), 0); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CacheFolders f;
        const std::vector<int32_t> fromText = Countries(f.data.Path().string());
        EXPECT_EQ(fromText, (std::vector<int32_t>{1, 1, 0, 2, 0, 0, 3, 0, 1}));
        // Freshly written files are not cached by the normal load; the test does not wait.
        EXPECT_TRUE(f.CacheFile().empty());
        ReferenceData ref;
        test::RecordingHost host;
        ASSERT_TRUE(LoadCountryData(ref, host, f.data.Path().string()));
        SaveCachedCountryRanges(f.data.Path().string(), ref, 0);
        ASSERT_FALSE(f.CacheFile().empty());

        c.spoil(f);
        bool cached = false;
        const std::vector<int32_t> again = Countries(f.data.Path().string(), &cached);
        EXPECT_EQ(cached, c.used);
        setenv("TREVIX_CACHE_DIR", "", 1);   // no cache: the text's answers
        EXPECT_EQ(again, Countries(f.data.Path().string()));
        setenv("TREVIX_CACHE_DIR", f.cache.Path().c_str(), 1);
    }
}

// Tables read back check their own shape: a table holding a country the list does not have is
// refused whole.
TEST(CountryCache, TablesWithUnknownCountriesAreRefused) {
    std::vector<CountryRange> ranges{{16777216, 16777471, 5}};
    CountryRangeTable v4;
    v4.Assign(ranges);
    std::string bytes;
    v4.AppendTo(bytes);
    for (int32_t countries : {5, 4}) {
        std::string_view in(bytes);
        CountryRangeTable back;
        EXPECT_EQ(back.ReadFrom(in, countries), countries == 5);
        EXPECT_EQ(back.Find(16777300), countries == 5 ? 5 : 0);
    }
}
