#include "Classification.h"

#include "Analyser.h"
#include "Text.h"

namespace trevix {

namespace {

// Position of the "&" or "?" that starts the first session parameter, or npos.
size_t FindSessionParameter(const ReferenceData& ref, std::string_view url) {
    // Every form starts with "&" or "?": a URL without either has nothing to strip.
    if (url.find_first_of("&?") == std::string_view::npos) return std::string_view::npos;
    for (size_t i = 1; i < ref.SessionIDPrefixes.size(); ++i) {
        const std::string& prefix = ref.SessionIDPrefixes[i];
        for (std::string_view lead : {"&", "?", "&amp;"}) {
            for (size_t p = url.find(lead); p != std::string_view::npos; p = url.find(lead, p + 1)) {
                if (url.substr(p + lead.size()).starts_with(prefix)) return p;
            }
        }
    }
    return std::string_view::npos;
}

} // namespace

std::string_view StripSessionID(Analyser& a, std::string_view url) {
    size_t p = FindSessionParameter(a.Ref, url);
    if (p == std::string_view::npos) return url;
    size_t next = url.find('&', p + 1);
    if (next == std::string_view::npos) return url.substr(0, p);
    return a.T.Arena.Concat(url.substr(0, p), url.substr(next));
}

std::string StripSessionIDText(const ReferenceData& ref, std::string_view url) {
    size_t p = FindSessionParameter(ref, url);
    if (p == std::string_view::npos) return std::string(url);
    size_t next = url.find('&', p + 1);
    std::string out(url.substr(0, p));
    if (next != std::string_view::npos) out.append(url.substr(next));
    return out;
}

bool ValidExitPage(const ReferenceData& ref, std::string_view file) {
    size_t dot = file.rfind('.');
    if (dot == std::string_view::npos) return true;
    std::string_view ext = file.substr(dot + 1);
    for (size_t i = 1; i < ref.GraphicExtensions.size(); ++i) {
        const std::string& g = ref.GraphicExtensions[i];
        if (g.size() != ext.size()) continue;
        bool same = true;
        for (size_t k = 0; k < ext.size() && same; ++k) {
            char c = ext[k];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            same = c == g[k];
        }
        if (same) return false;
    }
    return true;
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
    return std::string(TrimBlanks(text));
}

} // namespace trevix
