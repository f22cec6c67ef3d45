#include "engine/lists/CellTexts.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <new>
#include <stdexcept>

namespace trevix {

namespace {

constexpr size_t kMaxBytes = std::numeric_limits<uint32_t>::max();

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

size_t BlockSize(size_t slots, size_t capacity, bool numbered) {
    return 24 + slots * (sizeof(uint32_t) + (numbered ? sizeof(double) : 0)) + capacity;
}

} // namespace

CellTexts::CellTexts(const CellTexts& other) {
    if (!other.empty()) {
        Regrow(other.size(), other.block_->Used, other.block_->Numbered);
        if (other.block_->Numbered) std::memcpy(Numbers(), other.Numbers(), other.size() * sizeof(double));
        std::memcpy(Ends(), other.Ends(), other.size() * sizeof(uint32_t));
        std::memcpy(Text(), other.Text(), other.block_->Used);
        block_->Count = other.block_->Count;
        block_->Used = other.block_->Used;
    }
}

CellTexts& CellTexts::operator=(const CellTexts& other) {
    if (this != &other) {
        CellTexts copy(other);
        *this = std::move(copy);
    }
    return *this;
}

CellTexts& CellTexts::operator=(CellTexts&& other) noexcept {
    if (this != &other) {
        ::operator delete(block_);
        block_ = other.block_;
        other.block_ = nullptr;
    }
    return *this;
}

CellTexts::~CellTexts() { ::operator delete(block_); }

std::string_view CellTexts::at(size_t i) const {
    if (i >= size()) throw std::out_of_range("CellTexts::at");
    return (*this)[i];
}

bool CellTexts::Holds(std::string_view text) const {
    if (!block_ || text.empty()) return false;
    const char* begin = reinterpret_cast<const char*>(block_);
    const char* end = begin + BlockSize(block_->Slots, block_->Capacity, block_->Numbered);
    return std::less_equal<const char*>()(begin, text.data()) && std::less<const char*>()(text.data(), end);
}

void CellTexts::Regrow(size_t slots, size_t capacity, bool numbered) {
    const size_t count = size(), used = block_ ? block_->Used : 0;
    slots = std::max(slots, count);
    capacity = std::max(capacity, used);
    if (slots > kMaxBytes || capacity > kMaxBytes) throw std::length_error("a report row's text is too long");
    auto* grown = static_cast<Block*>(::operator new(BlockSize(slots, capacity, numbered)));
    grown->Count = static_cast<uint32_t>(count);
    grown->Slots = static_cast<uint32_t>(slots);
    grown->Used = static_cast<uint32_t>(used);
    grown->Capacity = static_cast<uint32_t>(capacity);
    grown->Numbered = numbered;
    grown->Unused = 0;
    Block* old = block_;
    block_ = grown;
    if (numbered) std::fill(Numbers(), Numbers() + slots, kNaN);
    if (old) {
        CellTexts was;
        was.block_ = old;
        if (numbered && old->Numbered) std::memcpy(Numbers(), was.Numbers(), count * sizeof(double));
        std::memcpy(Ends(), was.Ends(), count * sizeof(uint32_t));
        std::memcpy(Text(), was.Text(), used);
    }
}

void CellTexts::reserve(size_t cells, size_t bytes, bool numbered) {
    numbered = numbered || (block_ && block_->Numbered);
    if (!block_ || cells > block_->Slots || bytes > block_->Capacity || numbered != bool(block_->Numbered))
        Regrow(std::max<size_t>(cells, block_ ? block_->Slots : 0), std::max<size_t>(bytes, block_ ? block_->Capacity : 0),
               numbered);
}

void CellTexts::SetNumber(size_t i, double number) {
    if (i >= size()) throw std::out_of_range("CellTexts::SetNumber");
    if (!block_->Numbered) {
        if (std::isnan(number)) return;
        Regrow(block_->Slots, block_->Capacity, true);
    }
    Numbers()[i] = number;
}

void CellTexts::push_back(std::string_view text) {
    if (Holds(text)) {
        const std::string own(text);
        push_back(own);
        return;
    }
    const size_t count = size(), used = block_ ? block_->Used : 0;
    if (used + text.size() > kMaxBytes) throw std::length_error("a report row's text is too long");
    if (!block_ || count == block_->Slots || used + text.size() > block_->Capacity) {
        const size_t slots = block_ ? block_->Slots : 0, capacity = block_ ? block_->Capacity : 0;
        Regrow(count < slots ? slots : std::max<size_t>(4, slots * 2),
               std::max(used + text.size(), std::min(kMaxBytes, capacity + capacity / 2 + 16)), block_ && block_->Numbered);
    }
    if (!text.empty()) std::memcpy(Text() + used, text.data(), text.size());
    if (block_->Numbered) Numbers()[count] = kNaN;
    block_->Used = static_cast<uint32_t>(used + text.size());
    Ends()[count] = block_->Used;
    block_->Count = static_cast<uint32_t>(count + 1);
}

void CellTexts::Set(size_t i, std::string_view text) {
    if (i >= size()) throw std::out_of_range("CellTexts::Set");
    if (Holds(text)) {
        const std::string own(text);
        Set(i, own);
        return;
    }
    uint32_t* ends = Ends();
    const size_t start = i ? ends[i - 1] : 0, end = ends[i], used = block_->Used;
    const size_t grownUsed = used - (end - start) + text.size();
    if (grownUsed > kMaxBytes) throw std::length_error("a report row's text is too long");
    if (grownUsed > block_->Capacity) {
        Regrow(block_->Slots, std::max(grownUsed, std::min(kMaxBytes, size_t{block_->Capacity} * 3 / 2)),
               block_->Numbered);
        ends = Ends();
    }
    char* texts = Text();
    // The cells after this one move by the difference in length.
    std::memmove(texts + start + text.size(), texts + end, used - end);
    if (!text.empty()) std::memcpy(texts + start, text.data(), text.size());
    const auto shifted = static_cast<int64_t>(text.size()) - static_cast<int64_t>(end - start);
    for (size_t c = i; c < size(); ++c) ends[c] = static_cast<uint32_t>(ends[c] + shifted);
    block_->Used = static_cast<uint32_t>(grownUsed);
}

void CellTexts::resize(size_t count) {
    if (count <= size()) {
        if (!block_) return;
        block_->Count = static_cast<uint32_t>(count);
        block_->Used = count ? Ends()[count - 1] : 0;
        return;
    }
    if (!block_ || count > block_->Slots) Regrow(count, block_ ? block_->Capacity : 0, block_ && block_->Numbered);
    uint32_t* ends = Ends();
    for (size_t c = block_->Count; c < count; ++c) {
        ends[c] = block_->Used;
        if (block_->Numbered) Numbers()[c] = kNaN;
    }
    block_->Count = static_cast<uint32_t>(count);
}

void CellTexts::clear() { resize(0); }

std::vector<std::string> CellTexts::Strings() const {
    std::vector<std::string> out;
    out.reserve(size());
    for (std::string_view cell : *this) out.emplace_back(cell);
    return out;
}

bool operator==(const CellTexts& x, const CellTexts& y) {
    if (x.size() != y.size()) return false;
    for (size_t i = 0; i < x.size(); ++i)
        if (x[i] != y[i]) return false;
    return true;
}

} // namespace trevix
