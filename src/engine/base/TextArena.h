#pragma once
// Stable storage for texts the engine had to change (a stripped session ID, a host prefix, a
// line re-encoded to UTF-8). Views handed out stay valid until Clear(): blocks never move.
#include <memory>
#include <string_view>
#include <vector>

namespace trevix {

class TextArena {
public:
    std::string_view Store(std::string_view text);
    // Two pieces stored as one text (host + file).
    std::string_view Concat(std::string_view a, std::string_view b);
    void Clear();
    // Nothing stored since the last Clear().
    bool Empty() const { return blocks_.empty() || (blocks_.size() == 1 && used_ == 0); }

private:
    char* Reserve(size_t size);
    static constexpr size_t BlockSize = 1 << 20;
    std::vector<std::unique_ptr<char[]>> blocks_;
    size_t used_ = BlockSize;   // no block yet
};

} // namespace trevix
