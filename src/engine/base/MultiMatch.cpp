#include "engine/base/MultiMatch.h"

#include <algorithm>

namespace trevix {

namespace {
// Transition rows kept in full: about 256 KB at most. A thousand spider strings make some
// 12,000 states of 76 classes; rows for all of them would take 3.6 MB, while the text's walk
// spends nearly all its steps in the shallow states that get one.
constexpr uint32_t DenseEntries = 65536;

bool HasCapital(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}
} // namespace

void MultiMatch::Clear() {
    sourceText_.clear();
    sourceItems_.clear();
    letters_ = Letters::Exact;
    classOf_.fill(0);
    classes_ = 1;
    dense_ = 1;
    rows_.assign(1, 0);
    childBegin_.assign(2, 0);
    childClass_.clear();
    childState_.clear();
    fail_.assign(1, 0);
    lowest_.assign(1, None);
    outLink_.assign(1, None);
    numberBegin_.assign(2, 0);
    numbers_.clear();
}

bool MultiMatch::BuiltFrom(const std::vector<std::pair<std::string_view, uint32_t>>& patterns, Letters letters) const {
    if (letters != letters_ || patterns.size() != sourceItems_.size()) return false;
    size_t at = 0;
    for (size_t i = 0; i < patterns.size(); ++i) {
        const auto& [text, number] = patterns[i];
        if (sourceItems_[i] != std::pair<uint32_t, uint32_t>(static_cast<uint32_t>(text.size()), number) ||
            sourceText_.compare(at, text.size(), text) != 0)
            return false;
        at += text.size();
    }
    return true;
}

void MultiMatch::Build(const std::vector<std::pair<std::string_view, uint32_t>>& patterns, Letters letters) {
    if (BuiltFrom(patterns, letters)) return;
    Clear();
    letters_ = letters;
    for (const auto& [text, number] : patterns) {
        sourceText_.append(text);
        sourceItems_.emplace_back(static_cast<uint32_t>(text.size()), number);
    }
    // A capital never comes out of a lowered text: such a pattern can never match.
    std::vector<std::pair<std::string_view, uint32_t>> kept;
    kept.reserve(patterns.size());
    for (const auto& p : patterns)
        if (letters == Letters::Exact || !HasCapital(p.first)) kept.push_back(p);

    std::array<bool, 256> used{};
    for (const auto& p : kept)
        for (char c : p.first)
            used[static_cast<unsigned char>(c)] = true;
    for (size_t b = 0; b < 256; ++b)
        if (used[b]) classOf_[b] = static_cast<uint16_t>(classes_++);
    if (letters == Letters::LowerText)
        for (int c = 'A'; c <= 'Z'; ++c)
            classOf_[static_cast<size_t>(c)] = classOf_[static_cast<size_t>(c - 'A' + 'a')];

    // The trie, in insertion order first.
    struct Node {
        std::vector<std::pair<uint16_t, uint32_t>> Children;
        std::vector<uint32_t> Numbers;
    };
    std::vector<Node> trie(1);
    for (const auto& [text, number] : kept) {
        uint32_t s = 0;
        for (char c : text) {
            const uint16_t cls = classOf_[static_cast<unsigned char>(c)];
            auto& kids = trie[s].Children;
            auto it = std::find_if(kids.begin(), kids.end(), [&](const auto& k) { return k.first == cls; });
            if (it != kids.end()) {
                s = it->second;
                continue;
            }
            const auto t = static_cast<uint32_t>(trie.size());
            kids.emplace_back(cls, t);
            trie.emplace_back();
            s = t;
        }
        trie[s].Numbers.push_back(number);
    }

    // Breadth-first numbering: a state's failure is shallower, so it comes earlier.
    std::vector<uint32_t> order{0};
    order.reserve(trie.size());
    std::vector<uint32_t> renamed(trie.size(), 0);
    for (size_t k = 0; k < order.size(); ++k) {
        auto& kids = trie[order[k]].Children;
        std::sort(kids.begin(), kids.end());
        for (const auto& kid : kids) {
            renamed[kid.second] = static_cast<uint32_t>(order.size());
            order.push_back(kid.second);
        }
    }
    const auto n = static_cast<uint32_t>(order.size());
    childBegin_.assign(1, 0);
    numberBegin_.assign(1, 0);
    for (uint32_t s = 0; s < n; ++s) {
        Node& node = trie[order[s]];
        for (const auto& [cls, t] : node.Children) {
            childClass_.push_back(cls);
            childState_.push_back(renamed[t]);
        }
        childBegin_.push_back(static_cast<uint32_t>(childClass_.size()));
        std::sort(node.Numbers.begin(), node.Numbers.end());
        node.Numbers.erase(std::unique(node.Numbers.begin(), node.Numbers.end()), node.Numbers.end());
        numbers_.insert(numbers_.end(), node.Numbers.begin(), node.Numbers.end());
        numberBegin_.push_back(static_cast<uint32_t>(numbers_.size()));
    }
    trie.clear();
    trie.shrink_to_fit();

    // In breadth-first order a state's failure, and the row of every shallower dense state,
    // are known before its own: its row is its failure's with its children written over, and
    // a child fails to where the failure goes on the child's byte.
    dense_ = std::min(n, std::max<uint32_t>(1, DenseEntries / classes_));
    rows_.assign(static_cast<size_t>(dense_) * classes_, 0);
    fail_.assign(n, 0);
    for (uint32_t s = 0; s < n; ++s) {
        if (s < dense_) {
            uint32_t* row = &rows_[static_cast<size_t>(s) * classes_];
            if (s != 0) std::copy_n(&rows_[static_cast<size_t>(fail_[s]) * classes_], classes_, row);
            for (uint32_t k = childBegin_[s]; k < childBegin_[s + 1]; ++k)
                row[childClass_[k]] = childState_[k];
        }
        if (s == 0) continue;   // the root's children fail to the root
        for (uint32_t k = childBegin_[s]; k < childBegin_[s + 1]; ++k)
            fail_[childState_[k]] = Next(fail_[s], childClass_[k]);
    }
    auto ownLowest = [&](uint32_t s) { return numberBegin_[s] < numberBegin_[s + 1] ? numbers_[numberBegin_[s]] : None; };
    lowest_.assign(n, None);
    outLink_.assign(n, None);
    lowest_[0] = ownLowest(0);
    for (uint32_t s = 1; s < n; ++s) {
        const uint32_t f = fail_[s];
        lowest_[s] = std::min(ownLowest(s), lowest_[f]);
        outLink_[s] = ownLowest(f) != None ? f : outLink_[f];
    }
}

uint32_t MultiMatch::Next(uint32_t state, uint16_t cls) const {
    while (state >= dense_) {
        const uint32_t t = Child(state, cls);
        if (t != None) return t;
        state = fail_[state];
    }
    return rows_[static_cast<size_t>(state) * classes_ + cls];
}

bool MultiMatch::FoundIn(std::string_view text) const {
    if (lowest_[0] != None) return true;
    uint32_t state = 0;
    for (char c : text) {
        state = Next(state, ClassOf(c));
        if (lowest_[state] != None) return true;
    }
    return false;
}

uint32_t MultiMatch::LowestIn(std::string_view text) const {
    uint32_t best = lowest_[0];
    uint32_t state = 0;
    for (char c : text) {
        state = Next(state, ClassOf(c));
        best = std::min(best, lowest_[state]);
    }
    return best;
}

void MultiMatch::AllIn(std::string_view text, std::vector<uint32_t>& found) const {
    found.clear();
    auto take = [&](uint32_t state) {
        for (uint32_t s = numberBegin_[state] < numberBegin_[state + 1] ? state : outLink_[state]; s != None;
             s = outLink_[s])
            found.insert(found.end(), numbers_.begin() + numberBegin_[s], numbers_.begin() + numberBegin_[s + 1]);
    };
    take(0);
    uint32_t state = 0;
    for (char c : text) {
        state = Next(state, ClassOf(c));
        if (lowest_[state] != None) take(state);
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
}

uint32_t MultiMatch::LowestEqualTo(std::string_view text) const {
    uint32_t state = 0;
    for (char c : text) {
        const uint16_t cls = ClassOf(c);
        if (cls == 0) return None;
        state = Child(state, cls);
        if (state == None) return None;
    }
    return numberBegin_[state] < numberBegin_[state + 1] ? numbers_[numberBegin_[state]] : None;
}

size_t MultiMatch::Bytes() const {
    auto bytes = [](const auto& v) { return v.capacity() * sizeof(v[0]); };
    return sizeof *this + sourceText_.capacity() + bytes(sourceItems_) + bytes(rows_) + bytes(childBegin_) + bytes(childClass_) + bytes(childState_) +
           bytes(fail_) + bytes(lowest_) + bytes(outLink_) + bytes(numberBegin_) + bytes(numbers_);
}

} // namespace trevix
