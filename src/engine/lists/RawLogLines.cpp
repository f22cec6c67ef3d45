#include "engine/lists/RawLogLines.h"

#include <algorithm>

namespace trevix {

void NoteRawLogClient(AnalysisTables& t, std::string_view raw, std::string_view client) {
    const uint32_t entry = t.EntryCount;
    if (t.RawLogClients.size() <= entry) t.RawLogClients.resize(static_cast<size_t>(entry) + 1);
    ClientField& f = t.RawLogClients[entry];
    const bool inLine = client.data() >= raw.data() && client.data() + client.size() <= raw.data() + raw.size();
    // A decoded field cannot be replaced in place; the line then loses every address in it.
    if (inLine)
        f = {static_cast<uint32_t>(client.data() - raw.data()), static_cast<uint32_t>(client.size())};
    else
        f = {ClientField::NotInLine, 1};
}

RawLogLines::RawLogLines(AnalysisTables& t) : t_(t), count_(t.EntryCount) {
    for (const auto& text : t.FileTexts)
        if (text->Mapped()) sources_.push_back({text.get(), text->Unchanged()});   // a private copy cannot change
    std::sort(sources_.begin(), sources_.end(),
              [](const Source& x, const Source& y) { return x.Text->View().data() < y.Text->View().data(); });
}

const RawLogLines::Source* RawLogLines::SourceOf(const char* line) const {
    if (sources_.empty()) return nullptr;
    if (lastSource_ < sources_.size() && sources_[lastSource_].Text->Holds(line)) return &sources_[lastSource_];
    auto after = std::upper_bound(sources_.begin(), sources_.end(), line,
                                  [](const char* p, const Source& s) { return p < s.Text->View().data(); });
    if (after == sources_.begin() || !(after - 1)->Text->Holds(line)) return nullptr;
    lastSource_ = static_cast<size_t>(after - 1 - sources_.begin());
    return &*(after - 1);
}

bool RawLogLines::Shown(const StoredEntry& e) const {
    const Source* s = SourceOf(e.Line);
    return s == nullptr || s->Usable;
}

const ClientField* RawLogLines::ClientOf(size_t i) const {
    const size_t entry = i + 1;
    if (!t_.Masks.On() || entry >= t_.RawLogClients.size() || t_.RawLogClients[entry].Size == 0) return nullptr;
    return &t_.RawLogClients[entry];
}

size_t RawLogLines::Length(size_t i) {
    if (i >= count_) return 0;
    const StoredEntry& e = t_.LogEntries[i + 1];
    if (!Shown(e)) return 0;
    const ClientField* c = ClientOf(i);
    if (c == nullptr) return e.Text().size();
    if (c->At == ClientField::NotInLine) return Line(i, built_).size();
    return e.Text().size() - c->Size + t_.Masks.Replace(e.Text().substr(c->At, c->Size)).size();
}

std::string_view RawLogLines::Line(size_t i, std::string& scratch) {
    if (i >= count_) return {};
    const StoredEntry& e = t_.LogEntries[i + 1];
    if (!Shown(e)) return {};
    const std::string_view raw = e.Text();
    const ClientField* c = ClientOf(i);
    if (c == nullptr) return raw;
    if (c->At == ClientField::NotInLine) {
        t_.Masks.NoteClient({});
        scratch = t_.Masks.ShownLine(raw);
        return scratch;
    }
    const std::string_view shown = t_.Masks.Replace(raw.substr(c->At, c->Size));
    scratch.assign(raw.substr(0, c->At)).append(shown).append(raw.substr(c->At + c->Size));
    return scratch;
}

bool RawLogLines::Recheck() {
    bool changed = false;
    for (Source& s : sources_)
        if (s.Usable && !s.Text->Unchanged()) {
            s.Usable = false;
            changed = true;
        }
    return changed;
}

std::vector<std::string> RawLogLines::ChangedFiles() const {
    std::vector<std::string> out;
    for (const auto& text : t_.FileTexts)
        for (const Source& s : sources_)
            if (s.Text == text.get() && !s.Usable) out.push_back(text->Path);
    return out;
}

} // namespace trevix
