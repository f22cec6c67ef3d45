#include "engine/parse/Classification.h"

#include "engine/Analyser.h"
#include "engine/base/MultiMatch.h"
#include "engine/base/RecordIndex.h"
#include "engine/base/Text.h"
#include "engine/base/Utf8.h"

#include <algorithm>
#include <cstring>

namespace trevix {

namespace {

// Position of the "&" or "?" that starts the first session parameter, or npos: for each
// prefix in list order the first of "&" + prefix, "?" + prefix and "&amp;" + prefix found.
size_t FindSessionParameterPlain(const ReferenceData& ref, std::string_view url) {
    auto startsAt = [&](size_t p, std::string_view prefix) {
        return url.size() - p >= prefix.size() && url.compare(p, prefix.size(), prefix) == 0;
    };
    for (size_t i = 1; i < ref.SessionIDPrefixes.size(); ++i)
        for (std::string_view lead : {"&", "?", "&amp;"})
            for (size_t p = url.find(lead); p != std::string_view::npos; p = url.find(lead, p + 1))
                if (startsAt(p + lead.size(), ref.SessionIDPrefixes[i])) return p;
    return std::string_view::npos;
}

size_t FindSessionParameter(const ReferenceData& ref, std::string_view url) {
    // Most URLs have no query at all: two vectorised searches tell (the second only up to the
    // "?", as the first mark is all that is wanted).
    const void* q = std::memchr(url.data(), '?', url.size());
    const size_t beforeQ = q ? static_cast<size_t>(static_cast<const char*>(q) - url.data()) : url.size();
    const void* amp = std::memchr(url.data(), '&', beforeQ);
    if (!q && !amp) return std::string_view::npos;
    const MultiMatch* prefixes = ref.SessionIDMatcher();
    if (!prefixes) return FindSessionParameterPlain(ref, url);
    const size_t from = amp ? static_cast<size_t>(static_cast<const char*>(amp) - url.data()) : beforeQ;
    // Per form ("&", "?", "&amp;" before the prefix) the lowest prefix number found after any
    // mark, and the first mark where it was found: the lowest number wins, then the forms in
    // that order.
    struct Found {
        uint32_t Number = MultiMatch::None;
        size_t At = std::string_view::npos;
    } found[3];
    auto look = [&](int form, size_t mark, size_t after) {
        prefixes->StartingAt(url, after, [&](uint32_t number) {
            if (number < found[form].Number) found[form] = {number, mark};
        });
    };
    for (size_t i = from; i < url.size(); ++i) {
        if (url[i] == '?') {
            look(1, i, i + 1);
        } else if (url[i] == '&') {
            look(0, i, i + 1);
            if (url.compare(i + 1, 4, "amp;") == 0) look(2, i, i + 5);
        }
    }
    const uint32_t lowest = std::min({found[0].Number, found[1].Number, found[2].Number});
    for (const Found& f : found)
        if (lowest != MultiMatch::None && f.Number == lowest) return f.At;
    return std::string_view::npos;
}

// The URL without the session parameter that starts at p (an "&" or "?"). When that
// parameter opened the query, the next parameter opens it instead, so /shop.php?sid=1&item=3
// becomes /shop.php?item=3, not /shop.php&item=3; a "?" left with nothing after it goes.
std::string WithoutParameter(std::string_view url, size_t p) {
    std::string_view before = url.substr(0, p);
    const size_t next = url.find('&', p + 1);
    if (next == std::string_view::npos) {
        if (before.ends_with('?')) before.remove_suffix(1);
        return std::string(before);
    }
    std::string_view after = url.substr(next);
    std::string out(before);
    if (url[p] == '?' || before.ends_with('?')) {
        after.remove_prefix(after.starts_with("&amp;") ? 5 : 1);
        if (!before.ends_with('?')) out.push_back('?');
    }
    out.append(after);
    return out;
}

} // namespace

std::string_view StripSessionID(Analyser& a, std::string_view url) {
    size_t p = FindSessionParameter(a.Reference, url);
    if (p == std::string_view::npos) return url;
    size_t next = url.find('&', p + 1);
    // The common form (a later parameter after "&") needs no new text.
    if (next == std::string_view::npos && url[p] == '&' && (p == 0 || url[p - 1] != '?')) return url.substr(0, p);
    return a.Tables.Arena.Store(WithoutParameter(url, p));
}

std::string StripSessionIDText(const ReferenceData& ref, std::string_view url) {
    size_t p = FindSessionParameter(ref, url);
    if (p == std::string_view::npos) return std::string(url);
    return WithoutParameter(url, p);
}

bool ValidExitPage(const ReferenceData& ref, std::string_view file) {
    size_t dot = file.rfind('.');
    if (dot == std::string_view::npos) return true;
    std::string_view ext = file.substr(dot + 1);
    if (const MultiMatch* graphics = ref.GraphicsMatcher()) return graphics->LowestEqualTo(ext) == MultiMatch::None;
    // The extension lowered equals a graphic extension as written.
    const std::string lower = ToLowerAscii(ext);
    for (size_t i = 1; i < ref.GraphicExtensions.size(); ++i)
        if (lower == ref.GraphicExtensions[i]) return false;
    return true;
}

bool ContainsSpiderString(const ReferenceData& ref, std::string_view text) {
    if (const MultiMatch* spiders = ref.SpiderMatcher()) return spiders->FoundIn(text);
    for (size_t i = 1; i < ref.SpiderStrings.size(); ++i)
        if (text.find(ref.SpiderStrings[i]) != std::string_view::npos) return true;
    return false;
}

void MatchingSearchEngines(const ReferenceData& ref, std::string_view referrer, std::vector<uint32_t>& found) {
    if (const MultiMatch* engines = ref.SearchEngineMatcher()) return engines->AllIn(referrer, found);
    found.clear();
    const std::string lower = ToLowerAscii(referrer);
    for (size_t i = 1; i < ref.SearchEngineDefinitions.size(); ++i)
        if (lower.find(ToLowerAscii(ref.SearchEngineDefinitions[i].MatchText)) != std::string::npos)
            found.push_back(static_cast<uint32_t>(i));
}

namespace {
constexpr std::string_view SchemePrefixes[] = {"http://", "http://www.", "https://", "https://www."};
}

bool IsInternalReferrer(std::string_view referrer, const SiteProfile& profile) {
    for (const std::string& d : profile.Domains) {
        for (std::string_view scheme : SchemePrefixes) {
            if (referrer.size() >= scheme.size() + d.size() && referrer.starts_with(scheme) &&
                referrer.substr(scheme.size()).starts_with(d))
                return true;
        }
    }
    return false;
}

bool IsLocalFile(std::string_view referrer, std::string_view file, const SiteProfile& profile) {
    auto equals = [&](std::string_view scheme, std::string_view domain) {
        return referrer.size() == scheme.size() + domain.size() + file.size() && referrer.starts_with(scheme) &&
               referrer.substr(scheme.size(), domain.size()) == domain &&
               referrer.substr(scheme.size() + domain.size()) == file;
    };
    if (profile.DifferentDomains) {
        for (std::string_view scheme : SchemePrefixes)
            if (equals(scheme, {})) return true;
        return false;
    }
    for (const std::string& d : profile.Domains)
        for (std::string_view scheme : SchemePrefixes)
            if (equals(scheme, d)) return true;
    return false;
}

namespace {
int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
} // namespace

std::string ReplaceControlCharacters(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\r' || c == '\n' || c == '\t') {
            out.push_back(' ');
        } else if (c < 0x20 || c == 0x7F) {
            out += "\xEF\xBF\xBD";
        } else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0 &&
                   static_cast<unsigned char>(text[i + 1]) >= 0x80) {
            out += "\xEF\xBF\xBD";   // U+0080..U+009F, the second set of control codes
            ++i;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

std::string DecodeSearchTerms(std::string_view raw) {
    std::string bytes;
    bytes.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        char c = raw[i];
        if (c == '+') {
            bytes.push_back(' ');
        } else if (c == '%') {
            // The value of the (up to) two characters after "%" read as hexadecimal.
            int code = 0;
            size_t used = 0;
            for (; used < 2 && i + 1 + used < raw.size(); ++used) {
                int d = HexDigit(raw[i + 1 + used]);
                if (d < 0) break;
                code = code * 16 + d;
            }
            // The three characters are replaced whatever they held.
            bytes.push_back(static_cast<char>(code));
            i += std::min<size_t>(2, raw.size() - i - 1);
        } else {
            bytes.push_back(c);
        }
    }
    std::string text = IsValidUtf8(bytes) ? std::move(bytes) : ToValidUtf8(bytes);
    return std::string(TrimBlanks(ReplaceControlCharacters(text)));
}

namespace {

constexpr size_t LatelySlots = 2048;

uint64_t WordAt(const char* p) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

// A few words of an agent from where agents differ (the system after "Mozilla/5.0 (", the
// middle, the versions near the end) and its length: cheaper than hashing all of it. Agents
// that share them only share a slot of the recent ones.
uint64_t AgentSample(std::string_view agent) {
    const char* p = agent.data();
    const size_t n = agent.size();
    if (n < 32) return HashText(agent);
    return MultiplyFold(WordAt(p + 12) ^ WordAt(p + n / 2) ^ n ^ 0x9e3779b97f4a7c15ULL,
                        WordAt(p + n - 24) ^ WordAt(p + n - 8) ^ 0xe7037ed1a0b428dbULL);
}

} // namespace

bool IsSpiderAgent(Analyser& a, std::string_view userAgent) {
    if (userAgent.size() == a.LastAgent.size() &&
        (userAgent.data() == a.LastAgent.data() || userAgent == a.LastAgent))
        return a.LastAgentSpider;
    Analyser::SpiderAnswers& memo = a.SpiderMemo;
    if (memo.Lately.empty()) memo.Lately.resize(LatelySlots);
    const uint64_t sample = AgentSample(userAgent);
    Analyser::SpiderAnswers::Answer& recent = memo.Lately[sample & (LatelySlots - 1)];
    if (recent.Key == sample && recent.Size == userAgent.size() && recent.Text &&
        std::memcmp(recent.Text, userAgent.data(), userAgent.size()) == 0) {
        a.LastAgent = {recent.Text, recent.Size};
        return a.LastAgentSpider = recent.Spider;
    }
    const uint64_t hash = HashText(userAgent);
    uint32_t record = memo.Index.Find(hash, [&](uint32_t r) {
        const Analyser::SpiderAnswers::Answer& k = memo.Known[r - 1];
        return k.Size == userAgent.size() && std::memcmp(k.Text, userAgent.data(), k.Size) == 0;
    });
    if (record == 0) {
        // The key is a copy (in the reading thread's arena): the file's text may change later.
        const std::string_view copy = a.Tables.Arena.Store(userAgent);
        // An empty copy may have no address, and a slot without one is unused.
        static const char empty = 0;
        memo.Known.push_back({0, copy.empty() ? &empty : copy.data(), static_cast<uint32_t>(copy.size()),
                              ContainsSpiderString(a.Reference, userAgent)});
        record = static_cast<uint32_t>(memo.Known.size());
        memo.Index.InsertNew(hash, record);
    }
    const Analyser::SpiderAnswers::Answer& known = memo.Known[record - 1];
    a.LastAgent = {known.Text, known.Size};
    recent = {sample, known.Text, known.Size, known.Spider};
    return a.LastAgentSpider = known.Spider;
}

} // namespace trevix
