#include "engine/formats/JsonLine.h"

#include "engine/base/Utf8.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace trevix {

// The wanted paths as a tree of keys: a line's object is matched against one level of it at a
// time, so keys nobody asked for are skipped without being compared more than once.
struct JsonLine::Node {
    std::string Key;
    int Slot = -1;   // the value's index when a path ends here
    std::vector<Node> Children;

    const Node* Child(std::string_view key) const {
        for (const Node& child : Children)
            if (child.Key.size() == key.size() && std::memcmp(child.Key.data(), key.data(), key.size()) == 0)
                return &child;
        return nullptr;
    }
};

JsonKeyPath JsonPath(std::string_view dotted) {
    JsonKeyPath path;
    while (!dotted.empty()) {
        const size_t dot = dotted.find('.');
        path.emplace_back(dotted.substr(0, dot));
        if (dot == std::string_view::npos) break;
        dotted.remove_prefix(dot + 1);
    }
    return path;
}

JsonLine::JsonLine(const std::vector<JsonKeyPath>& paths) : root_(std::make_unique<Node>()), count_(paths.size()) {
    for (size_t i = 0; i < paths.size(); ++i) {
        Node* node = root_.get();
        for (const std::string& key : paths[i]) {
            Node* next = const_cast<Node*>(node->Child(key));
            if (!next) {
                node->Children.push_back(Node{key, -1, {}});
                next = &node->Children.back();
            }
            node = next;
        }
        if (node == root_.get()) continue;
        // The same path asked twice is read once and copied.
        if (node->Slot < 0)
            node->Slot = static_cast<int>(i);
        else
            copies_.emplace_back(i, static_cast<size_t>(node->Slot));
    }
}

JsonLine::~JsonLine() = default;
JsonLine::JsonLine(JsonLine&&) noexcept = default;
JsonLine& JsonLine::operator=(JsonLine&&) noexcept = default;

namespace {

// Deeper nesting than this is refused rather than followed (the reader recurses).
constexpr int MaxDepth = 64;

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The four hex digits at p as a number, or -1.
int Hex4(const char* p) {
    int value = 0;
    for (int i = 0; i < 4; ++i) {
        const int digit = HexValue(p[i]);
        if (digit < 0) return -1;
        value = value * 16 + digit;
    }
    return value;
}

// Decodes the inside of a string whose escapes were already checked. A lone surrogate has no
// UTF-8 form: it becomes U+FFFD, so the text stays valid.
void Unescape(std::string_view raw, std::string& out) {
    out.clear();
    const char* p = raw.data();
    const char* end = p + raw.size();
    while (p < end) {
        const char* slash = static_cast<const char*>(std::memchr(p, '\\', static_cast<size_t>(end - p)));
        if (!slash) {
            out.append(p, end);
            break;
        }
        out.append(p, slash);
        const char c = slash[1];
        p = slash + 2;
        switch (c) {
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
            uint32_t code = static_cast<uint32_t>(Hex4(p));
            p += 4;
            if (code >= 0xD800 && code <= 0xDBFF) {
                const int low = end - p >= 6 && p[0] == '\\' && p[1] == 'u' ? Hex4(p + 2) : -1;
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<uint32_t>(low) - 0xDC00);
                    p += 6;
                } else {
                    code = 0xFFFD;
                }
            } else if (code >= 0xDC00 && code <= 0xDFFF) {
                code = 0xFFFD;
            }
            AppendUtf8(out, code);
            break;
        }
        default: out += c; break;   // " \ /
        }
    }
}

// The first '"' or '\\' from p on, or end. Most strings of a log line are short, so this is
// done inline, 16 bytes at a time where SSE2 is there, rather than by two memchr calls.
inline const char* QuoteOrSlash(const char* p, const char* end) {
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i slash = _mm_set1_epi8('\\');
    while (end - p >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int hits = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, quote), _mm_cmpeq_epi8(block, slash)));
        if (hits) return p + std::countr_zero(static_cast<unsigned>(hits));
        p += 16;
    }
#endif
    while (p < end && *p != '"' && *p != '\\') ++p;
    return p;
}

class Reader {
public:
    Reader(const char* p, const char* end, JsonValue* values, TextArena& scratch, std::string& decoded)
        : p_(p), end_(end), values_(values), scratch_(scratch), decoded_(decoded) {}

    bool Document(const JsonLine::Node& root) {
        static constexpr char Bom[] = "\xEF\xBB\xBF";
        if (end_ - p_ >= 3 && std::memcmp(p_, Bom, 3) == 0) p_ += 3;
        Blanks();
        if (p_ == end_ || *p_ != '{') return false;
        if (!Object(&root, 0)) return false;
        Blanks();
        return p_ == end_;
    }

private:
    void Blanks() {
        while (p_ < end_ && (*p_ == ' ' || *p_ == '\t' || *p_ == '\r' || *p_ == '\n')) ++p_;
    }

    // p_ at the opening quote. Leaves p_ after the closing quote and the inside in raw;
    // escaped tells whether it needs decoding. False when unterminated or an escape is bad.
    bool String(std::string_view& raw, bool& escaped) {
        const char* start = ++p_;
        const char* s = start;
        escaped = false;
        for (;;) {
            s = QuoteOrSlash(s, end_);
            if (s == end_) return false;
            if (*s == '"') break;
            escaped = true;
            if (end_ - s < 2) return false;
            switch (s[1]) {
            case '"': case '\\': case '/': case 'b': case 'f': case 'n': case 'r': case 't':
                s += 2;
                break;
            case 'u':
                if (end_ - s < 6 || Hex4(s + 2) < 0) return false;
                s += 6;
                break;
            default:
                return false;
            }
        }
        raw = {start, static_cast<size_t>(s - start)};
        p_ = s + 1;
        return true;
    }

    bool Number() {
        const char* start = p_;
        if (p_ < end_ && *p_ == '-') ++p_;
        if (p_ == end_ || *p_ < '0' || *p_ > '9') return false;
        if (*p_ == '0') {
            ++p_;
        } else {
            while (p_ < end_ && *p_ >= '0' && *p_ <= '9') ++p_;
        }
        if (p_ < end_ && *p_ == '.') {
            ++p_;
            if (p_ == end_ || *p_ < '0' || *p_ > '9') return false;
            while (p_ < end_ && *p_ >= '0' && *p_ <= '9') ++p_;
        }
        if (p_ < end_ && (*p_ == 'e' || *p_ == 'E')) {
            ++p_;
            if (p_ < end_ && (*p_ == '+' || *p_ == '-')) ++p_;
            if (p_ == end_ || *p_ < '0' || *p_ > '9') return false;
            while (p_ < end_ && *p_ >= '0' && *p_ <= '9') ++p_;
        }
        number_ = {start, static_cast<size_t>(p_ - start)};
        return true;
    }

    bool Literal(std::string_view word) {
        if (static_cast<size_t>(end_ - p_) < word.size() || std::memcmp(p_, word.data(), word.size()) != 0)
            return false;
        p_ += word.size();
        return true;
    }

    void Set(const JsonLine::Node* node, JsonType type, std::string_view text = {}) {
        if (node && node->Slot >= 0) values_[node->Slot] = {type, text};
    }

    // p_ at a value's first byte. node is where the value sits in the wanted tree, or null.
    bool Value(const JsonLine::Node* node, int depth) {
        if (p_ == end_) return false;
        switch (*p_) {
        case '"': {
            std::string_view raw;
            bool escaped;
            if (!String(raw, escaped)) return false;
            if (node && node->Slot >= 0) {
                if (escaped) {
                    Unescape(raw, decoded_);
                    raw = scratch_.Store(decoded_);
                }
                Set(node, JsonType::String, raw);
            }
            return true;
        }
        case '{':
            Set(node, JsonType::Object);
            return Object(node, depth + 1);
        case '[':
            return Array(node, depth + 1);
        case 't': Set(node, JsonType::True); return Literal("true");
        case 'f': Set(node, JsonType::False); return Literal("false");
        case 'n': Set(node, JsonType::Null); return Literal("null");
        default:
            if (!Number()) return false;
            Set(node, JsonType::Number, number_);
            return true;
        }
    }

    // p_ at "{". Keys are matched against node's children (when node is wanted at all).
    bool Object(const JsonLine::Node* node, int depth) {
        if (depth > MaxDepth) return false;
        const bool matching = node && !node->Children.empty();
        ++p_;
        Blanks();
        if (p_ < end_ && *p_ == '}') {
            ++p_;
            return true;
        }
        for (;;) {
            if (p_ == end_ || *p_ != '"') return false;
            std::string_view key;
            bool escaped;
            if (!String(key, escaped)) return false;
            const JsonLine::Node* child = nullptr;
            if (matching) {
                if (escaped) {
                    Unescape(key, keyText_);
                    key = keyText_;
                }
                child = node->Child(key);
            }
            Blanks();
            if (p_ == end_ || *p_ != ':') return false;
            ++p_;
            Blanks();
            if (!Value(child, depth)) return false;
            Blanks();
            if (p_ == end_) return false;
            if (*p_ == '}') {
                ++p_;
                return true;
            }
            if (*p_ != ',') return false;
            ++p_;
            Blanks();
        }
    }

    // p_ at "[". A wanted array gives its first element.
    bool Array(const JsonLine::Node* node, int depth) {
        if (depth > MaxDepth) return false;
        Set(node, JsonType::Missing);
        ++p_;
        Blanks();
        if (p_ < end_ && *p_ == ']') {
            ++p_;
            return true;
        }
        for (bool first = true;; first = false) {
            if (!Value(first ? node : nullptr, depth)) return false;
            Blanks();
            if (p_ == end_) return false;
            if (*p_ == ']') {
                ++p_;
                return true;
            }
            if (*p_ != ',') return false;
            ++p_;
            Blanks();
        }
    }

    const char* p_;
    const char* end_;
    JsonValue* values_;
    TextArena& scratch_;
    std::string& decoded_;
    std::string keyText_;
    std::string_view number_;
};

} // namespace

bool JsonLine::Read(std::string_view line, JsonValue* values, TextArena& scratch) const {
    for (size_t i = 0; i < count_; ++i) values[i] = {};
    Reader reader(line.data(), line.data() + line.size(), values, scratch, decoded_);
    if (!reader.Document(*root_)) return false;
    for (const auto& [to, from] : copies_) values[to] = values[from];
    return true;
}

} // namespace trevix
