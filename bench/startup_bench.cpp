// Start-up cost of the reference data: every data file, country data included, read the way
// the program reads them when it starts. Prints milliseconds per step and in total.
#include "config/DataFolder.h"
#include "config/MemorySettingsStore.h"
#include "config/ReferenceDataLoader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

using namespace trevix;

namespace {
double Ms(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

class CountingHost : public NullHost {
public:
    void ShowMessage(MessageIcon, std::string_view, std::string_view text) override {
        std::fprintf(stderr, "message: %.*s\n", static_cast<int>(text.size()), text.data());
    }
};
} // namespace

int main(int argc, char** argv) {
    std::string folder = argc > 1 ? argv[1] : FindDataFolder();
    int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    std::printf("data folder: %s\n", folder.c_str());

    std::vector<double> totals, countries, cpu;
    for (int round = 0; round < rounds; ++round) {
        CountingHost host;
        MemorySettingsStore store; // a first run: graphics and session lists come from the files
        ProgramOptions options;
        ReferenceData ref;
        std::clock_t c0 = std::clock();
        auto t0 = std::chrono::steady_clock::now();
        LoadCountryData(ref, host, folder);
        auto t1 = std::chrono::steady_clock::now();
        options.AnalyseCountries = false; // already loaded above
        LoadAllReferenceData(store, options, ref, host, folder);
        auto t2 = std::chrono::steady_clock::now();
        cpu.push_back(1000.0 * static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC);
        countries.push_back(Ms(t0, t1));
        totals.push_back(Ms(t0, t2));
        if (round == 0)
            std::printf("ranges %zu, IPv6 ranges %zu, countries %d, search %d, spiders %d, browsers %d, errors %d\n",
                        ref.CountryRanges.RangeCount(), ref.CountryRanges6.RangeCount(), ref.CountryCount(), ref.SearchEngineCount(),
                        ref.SpiderCount(), ref.BrowserCount(), ref.ErrorDescriptionCount());
        if (round == 0)
            std::printf("country tables: %.2f MB (IPv4 %zu steps, IPv6 %zu steps)\n",
                        static_cast<double>(ref.CountryRanges.Bytes() + ref.CountryRanges6.Bytes()) / 1048576.0,
                        ref.CountryRanges.StepCount(), ref.CountryRanges6.StepCount());
    }
    std::sort(totals.begin(), totals.end());
    std::sort(countries.begin(), countries.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("country data: %.1f ms (median of %d)\n", countries[countries.size() / 2], rounds);
    std::printf("all reference data: %.1f ms (median of %d, best %.1f)\n", totals[totals.size() / 2], rounds,
                totals.front());
    // On a busy machine the wall time includes waiting; the processor time does not.
    std::printf("all reference data, processor time: %.1f ms (median)\n", cpu[cpu.size() / 2]);
    return 0;
}
