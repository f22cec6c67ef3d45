#include "engine/base/TextArena.h"

#include <cstring>

namespace trevix {

char* TextArena::Reserve(size_t size) {
    if (size > BlockSize / 4) {
        // Large texts get a block of their own, inserted before the current one so the
        // current block's free space stays usable.
        auto block = std::make_unique_for_overwrite<char[]>(size);
        char* p = block.get();
        blocks_.insert(blocks_.empty() ? blocks_.end() : blocks_.end() - 1, std::move(block));
        return p;
    }
    if (used_ + size > BlockSize) {
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(BlockSize));
        used_ = 0;
    }
    char* p = blocks_.back().get() + used_;
    used_ += size;
    return p;
}

std::string_view TextArena::Store(std::string_view text) {
    if (text.empty()) return {};
    char* p = Reserve(text.size());
    std::memcpy(p, text.data(), text.size());
    return {p, text.size()};
}

std::string_view TextArena::Concat(std::string_view a, std::string_view b) {
    if (a.empty()) return Store(b);
    if (b.empty()) return Store(a);
    char* p = Reserve(a.size() + b.size());
    std::memcpy(p, a.data(), a.size());
    std::memcpy(p + a.size(), b.data(), b.size());
    return {p, a.size() + b.size()};
}

void TextArena::Clear() {
    // A scratch arena cleared after every line keeps its block rather than allocating 1 MB
    // again for the next line's text.
    if (!blocks_.empty() && used_ < BlockSize) {
        std::unique_ptr<char[]> current = std::move(blocks_.back());
        blocks_.clear();
        blocks_.push_back(std::move(current));
        used_ = 0;
        return;
    }
    blocks_.clear();
    used_ = BlockSize;
}

} // namespace trevix
