#pragma once
// The texts of one row's cells packed in a single block: a small header, the numbers the cells
// carry (only once one does), the end of each cell, then the texts one after another. A row of
// ten cells costs one allocation instead of eleven (most cells are too long for a string's own
// buffer), and an empty row costs a pointer.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace trevix {

class CellTexts {
public:
    class iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string_view;
        iterator() = default;
        iterator(const CellTexts* cells, size_t at) : cells_(cells), at_(at) {}
        std::string_view operator*() const { return (*cells_)[at_]; }
        iterator& operator++() { ++at_; return *this; }
        iterator operator++(int) { iterator was = *this; ++at_; return was; }
        bool operator==(const iterator& other) const { return at_ == other.at_; }
    private:
        const CellTexts* cells_ = nullptr;
        size_t at_ = 0;
    };
    using const_iterator = iterator;
    using value_type = std::string_view;
    using size_type = size_t;

    CellTexts() = default;
    CellTexts(const CellTexts& other);
    CellTexts(CellTexts&& other) noexcept : block_(other.block_) { other.block_ = nullptr; }
    CellTexts& operator=(const CellTexts& other);
    CellTexts& operator=(CellTexts&& other) noexcept;
    ~CellTexts();

    size_t size() const { return block_ ? block_->Count : 0; }
    bool empty() const { return size() == 0; }
    std::string_view operator[](size_t i) const {
        const uint32_t* ends = Ends();
        const uint32_t start = i ? ends[i - 1] : 0;
        return {Text() + start, ends[i] - start};
    }
    // As [], but throws std::out_of_range past the last cell.
    std::string_view at(size_t i) const;
    iterator begin() const { return {this, 0}; }
    iterator end() const { return {this, size()}; }

    void push_back(std::string_view text);
    // Replaces the text of an existing cell (i < size()).
    void Set(size_t i, std::string_view text);
    // Drops the cells past count, or adds empty ones up to it.
    void resize(size_t count);
    // Room for this many cells and text bytes in all, so filling a row does not grow it again.
    // With numbered, room for their numbers too.
    void reserve(size_t cells, size_t bytes, bool numbered = false);
    void clear();

    // The number a cell carries, NaN when none (past the last cell too).
    double Number(size_t i) const {
        return block_ && block_->Numbered && i < block_->Count ? Numbers()[i] : std::numeric_limits<double>::quiet_NaN();
    }
    // Gives an existing cell (i < size()) its number; NaN takes it away.
    void SetNumber(size_t i, double number);
    bool HasNumbers() const { return block_ && block_->Numbered; }

    std::vector<std::string> Strings() const;
    friend bool operator==(const CellTexts& x, const CellTexts& y);

private:
    struct Block {
        uint32_t Count;      // cells
        uint32_t Slots;      // room for cell ends
        uint32_t Used;       // text bytes
        uint32_t Capacity;   // room for text bytes
        uint32_t Numbered;   // a number per slot follows the header
        uint32_t Unused;
    };
    const double* Numbers() const { return reinterpret_cast<const double*>(block_ + 1); }
    double* Numbers() { return reinterpret_cast<double*>(block_ + 1); }
    const uint32_t* Ends() const {
        return reinterpret_cast<const uint32_t*>(reinterpret_cast<const char*>(block_ + 1) +
                                                 (block_->Numbered ? block_->Slots * sizeof(double) : 0));
    }
    uint32_t* Ends() { return const_cast<uint32_t*>(static_cast<const CellTexts*>(this)->Ends()); }
    const char* Text() const { return reinterpret_cast<const char*>(Ends() + block_->Slots); }
    char* Text() { return reinterpret_cast<char*>(Ends() + block_->Slots); }
    // Moves the cells into a block of the given room (at least what they use).
    void Regrow(size_t slots, size_t capacity, bool numbered);
    bool Holds(std::string_view text) const;

    Block* block_ = nullptr;
};

} // namespace trevix
