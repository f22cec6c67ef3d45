#pragma once
// Many patterns looked for in one pass over a text: an Aho-Corasick automaton over bytes.
// Each pattern carries a number (its place in a reference list); several patterns may share a
// number and one text may be given several times under different numbers. Built once when a
// list loads; the queries are const and safe from any number of threads.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trevix {

class MultiMatch {
public:
    static constexpr uint32_t None = UINT32_MAX;

    enum class Letters {
        Exact,       // bytes compared as they are
        LowerText,   // ASCII A-Z of the text read as a-z; patterns taken as given, so a
                     // pattern with a capital letter never matches
    };

    MultiMatch() { Clear(); }
    // The automaton of the patterns; numbers need not be ordered or distinct. Patterns equal
    // to those of the last build (a run starting over unchanged lists) keep the automaton.
    void Build(const std::vector<std::pair<std::string_view, uint32_t>>& patterns, Letters letters);
    void Clear();

    // True when some pattern occurs anywhere in the text (an empty pattern always does).
    bool FoundIn(std::string_view text) const;
    // The lowest number of a pattern occurring anywhere in the text, or None.
    uint32_t LowestIn(std::string_view text) const;
    // The numbers of all patterns occurring in the text, ascending, each once (replaces found).
    void AllIn(std::string_view text, std::vector<uint32_t>& found) const;
    // The lowest number of a pattern equal to the whole text, or None.
    uint32_t LowestEqualTo(std::string_view text) const;
    // Calls found(number) for every pattern that starts at text[at], shortest first (a number
    // given to patterns of several lengths comes once per length); at may be text.size(),
    // where only an empty pattern starts.
    template <class Found> void StartingAt(std::string_view text, size_t at, Found found) const;

    size_t StateCount() const { return fail_.size(); }
    size_t Bytes() const;

private:
    bool BuiltFrom(const std::vector<std::pair<std::string_view, uint32_t>>& patterns, Letters letters) const;
    uint32_t Next(uint32_t state, uint16_t cls) const;
    uint32_t Child(uint32_t state, uint16_t cls) const;
    uint16_t ClassOf(char c) const { return classOf_[static_cast<unsigned char>(c)]; }

    // The patterns as given to Build: their texts end to end, each one's length and number.
    std::string sourceText_;
    std::vector<std::pair<uint32_t, uint32_t>> sourceItems_;
    Letters letters_ = Letters::Exact;
    // Bytes in no pattern share class 0; the others one class each (per letter when lowered).
    std::array<uint16_t, 256> classOf_{};
    uint32_t classes_ = 1;
    // States in breadth-first order, 0 the root. The first dense_ states have a full row of
    // transitions (failures already followed); the deeper ones keep only their children.
    uint32_t dense_ = 0;
    std::vector<uint32_t> rows_;
    std::vector<uint32_t> childBegin_;   // per state, plus one: into childClass_/childState_
    std::vector<uint16_t> childClass_;   // ascending per state
    std::vector<uint32_t> childState_;
    std::vector<uint32_t> fail_;
    std::vector<uint32_t> lowest_;       // the lowest number ending here or at a suffix, None
    std::vector<uint32_t> outLink_;      // the longest proper suffix where a pattern ends, None
    std::vector<uint32_t> numberBegin_;  // per state, plus one: into numbers_, ascending
    std::vector<uint32_t> numbers_;
};

inline uint32_t MultiMatch::Child(uint32_t state, uint16_t cls) const {
    for (uint32_t k = childBegin_[state], end = childBegin_[state + 1]; k < end; ++k) {
        if (childClass_[k] == cls) return childState_[k];
        if (childClass_[k] > cls) break;
    }
    return None;
}

template <class Found> void MultiMatch::StartingAt(std::string_view text, size_t at, Found found) const {
    uint32_t state = 0;
    for (;;) {
        for (uint32_t k = numberBegin_[state]; k < numberBegin_[state + 1]; ++k)
            found(numbers_[k]);
        if (at >= text.size()) return;
        const uint16_t cls = ClassOf(text[at++]);
        if (cls == 0) return;
        state = Child(state, cls);
        if (state == None) return;
    }
}

} // namespace trevix
