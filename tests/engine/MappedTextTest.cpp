// A mapped text that let go of its pages reads as before, and a file cut short afterwards is
// told as any file cut short under its mapping.
#include "engine/base/MappedText.h"
#include "support/PresentPages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace trevix {
namespace {

using testing::PresentPages;
using testing::TempDir;

TEST(MappedText, ReleasedPagesReadAgainAsTheFileIsOrWasCutShort) {
    struct Case {
        const char* Name;
        size_t Size;
        std::optional<size_t> TruncateTo;   // after the release
    };
    const Case cases[] = {
        {"small file", 10000, std::nullopt},
        {"read ahead by the helper", (size_t{9} << 20) + 123, std::nullopt},
        {"cut within its first page", 3 * 4096 + 10, 100},
        {"cut half-way after the release", (size_t{9} << 20) + 123, size_t{5} << 20},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        std::string bytes(c.Size, '\0');
        for (size_t i = 0; i < c.Size; ++i) bytes[i] = static_cast<char>('a' + (i * 7 + i / 4096) % 26);
        const std::string path = dir.Write("log", bytes);
        const int fd = ::open(path.c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        MappedText text;
        ASSERT_TRUE(text.Map(fd, c.Size));
        ASSERT_EQ(std::string_view(text.Data(), text.Size()), bytes);

        text.ReleasePages();
        if (auto present = PresentPages(text.Data(), text.Size())) EXPECT_EQ(*present, 0u);
        if (c.TruncateTo) ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(*c.TruncateTo)), 0);

        const size_t kept = c.TruncateTo.value_or(c.Size);
        const std::string_view again(text.Data(), text.Size());
        EXPECT_EQ(again.substr(0, kept), std::string_view(bytes).substr(0, kept));
        EXPECT_EQ(again.find_first_not_of('\0', kept), std::string_view::npos) << "nothing beyond the new end";
        const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        EXPECT_EQ(text.CutShort(), (kept + page - 1) / page < (c.Size + page - 1) / page);
        text.Unmap();
        ::close(fd);
    }
}

} // namespace
} // namespace trevix
