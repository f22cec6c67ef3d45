#include "engine/tables/Anonymise.h"

#include "engine/base/IpAddress.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#include <openssl/rand.h>

#include <array>
#include <cstdint>

namespace trevix {

namespace {

constexpr char HexDigits[] = "0123456789abcdef";

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// What a client field holds, read once for both kinds of replacement.
struct ClientForm {
    enum Kind { Other, V4, V6, Name } kind = Other;
    uint32_t v4 = 0;
    Ip6Number v6;
    std::string_view name;
};

bool HasLetter(std::string_view s) {
    for (char c : s)
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
    return false;
}

ClientForm ReadClient(std::string_view text) {
    ClientForm f;
    if (text.empty() || text == "-") return f;
    // A port after the address, as some servers log it: "203.0.113.9:5123", "[2001:db8::1]:443".
    std::string_view bare = text;
    if (bare.front() == '[') {
        const size_t close = bare.find(']');
        if (close != std::string_view::npos) bare = bare.substr(1, close - 1);
    } else if (const size_t colon = bare.find(':'); colon != std::string_view::npos &&
                                                    bare.find(':', colon + 1) == std::string_view::npos) {
        bare = bare.substr(0, colon);
    }
    if (ParseIPv4(bare, f.v4)) {
        f.kind = ClientForm::V4;
    } else if (ParseIPv6(bare, f.v6)) {
        f.kind = MappedIPv4(f.v6, f.v4) ? ClientForm::V4 : ClientForm::V6;
    } else if (HasLetter(text)) {
        f.kind = ClientForm::Name;
        f.name = text;
        if (f.name.size() > 1 && f.name.back() == '.') f.name.remove_suffix(1);
    }
    return f;
}

std::string V4Text(uint32_t v) {
    return std::to_string(v >> 24) + "." + std::to_string((v >> 16) & 255) + "." + std::to_string((v >> 8) & 255) +
           "." + std::to_string(v & 255);
}

// The address's canonical text: lower-case hex, no leading zeros, the longest run of two or
// more zero groups (the first of equals) written as "::".
std::string V6Text(const Ip6Number& n) {
    std::array<unsigned, 8> g{};
    for (int i = 0; i < 4; ++i) {
        g[static_cast<size_t>(i)] = static_cast<unsigned>((n.Hi >> (48 - 16 * i)) & 0xffff);
        g[static_cast<size_t>(i) + 4] = static_cast<unsigned>((n.Lo >> (48 - 16 * i)) & 0xffff);
    }
    int bestAt = -1, bestLen = 1;
    for (int i = 0; i < 8;) {
        int j = i;
        while (j < 8 && g[static_cast<size_t>(j)] == 0) ++j;
        if (j - i > bestLen) {
            bestAt = i;
            bestLen = j - i;
        }
        i = j == i ? i + 1 : j;
    }
    std::string out;
    for (int i = 0; i < 8; ++i) {
        if (i == bestAt) {
            out += "::";
            i += bestLen - 1;
            continue;
        }
        if (!out.empty() && out.back() != ':') out += ':';
        char buf[5];
        int len = 0;
        unsigned v = g[static_cast<size_t>(i)];
        bool started = false;
        for (int shift = 12; shift >= 0; shift -= 4) {
            const unsigned d = (v >> shift) & 15;
            if (d != 0 || started || shift == 0) {
                buf[len++] = HexDigits[d];
                started = true;
            }
        }
        out.append(buf, static_cast<size_t>(len));
    }
    return out;
}

std::string_view LastTwoLabels(std::string_view name) {
    const size_t last = name.rfind('.');
    if (last == std::string_view::npos || last == 0) return name;
    const size_t before = name.rfind('.', last - 1);
    return before == std::string_view::npos ? name : name.substr(before + 1);
}

} // namespace

std::optional<AnonymiseMode> AnonymiseModeNamed(std::string_view name) {
    if (name == "none") return AnonymiseMode::None;
    if (name == "truncate") return AnonymiseMode::Truncate;
    if (name == "hash") return AnonymiseMode::Hash;
    return std::nullopt;
}

const char* AnonymiseModeName(AnonymiseMode mode) {
    switch (mode) {
    case AnonymiseMode::Truncate: return "truncate";
    case AnonymiseMode::Hash: return "hash";
    case AnonymiseMode::None: break;
    }
    return "none";
}

std::string NewAnonymiseKey() {
    unsigned char bytes[AnonymiseKeyBytes];
    if (RAND_bytes(bytes, static_cast<int>(sizeof bytes)) != 1) return {};
    std::string hex;
    for (unsigned char b : bytes) {
        hex += HexDigits[b >> 4];
        hex += HexDigits[b & 15];
    }
    return hex;
}

std::optional<std::string> AnonymiseKeyFromHex(std::string_view hex) {
    if (hex.size() < 2 * AnonymiseKeyBytes || hex.size() % 2 != 0) return std::nullopt;
    std::string key;
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int hi = HexValue(hex[i]), lo = HexValue(hex[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        key += static_cast<char>(hi * 16 + lo);
    }
    return key;
}

std::string TruncatedAddress(std::string_view client) {
    const ClientForm f = ReadClient(client);
    switch (f.kind) {
    case ClientForm::V4: return V4Text(f.v4 & 0xffffff00u);
    case ClientForm::V6: return V6Text({f.v6.Hi & 0xffffffffffff0000ULL, 0});
    case ClientForm::Name: return std::string(LastTwoLabels(f.name));
    case ClientForm::Other: break;
    }
    return std::string(client);
}

namespace {

// HMAC-SHA-256 with one key: the algorithm is fetched and keyed once, and each message starts
// from a copy of the keyed state (fetching per message would cost more than the hash).
class KeyedHash {
public:
    explicit KeyedHash(std::string_view key) {
        mac_ = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
        if (mac_) keyed_ = EVP_MAC_CTX_new(mac_);
        char digest[] = "SHA256";
        const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                                     OSSL_PARAM_construct_end()};
        if (keyed_ && EVP_MAC_init(keyed_, reinterpret_cast<const unsigned char*>(key.data()), key.size(), params) != 1) {
            EVP_MAC_CTX_free(keyed_);
            keyed_ = nullptr;
        }
    }
    ~KeyedHash() {
        EVP_MAC_CTX_free(keyed_);
        EVP_MAC_free(mac_);
    }
    KeyedHash(const KeyedHash&) = delete;
    KeyedHash& operator=(const KeyedHash&) = delete;

    // The first 8 bytes of the MAC as 16 hex digits; empty when the library failed.
    std::string Mac8(std::string_view message) const {
        if (!keyed_) return {};
        EVP_MAC_CTX* ctx = EVP_MAC_CTX_dup(keyed_);
        unsigned char mac[EVP_MAX_MD_SIZE];
        size_t size = 0;
        const bool ok = ctx && EVP_MAC_update(ctx, reinterpret_cast<const unsigned char*>(message.data()), message.size()) == 1 &&
                        EVP_MAC_final(ctx, mac, &size, sizeof mac) == 1 && size >= 8;
        EVP_MAC_CTX_free(ctx);
        if (!ok) return {};
        std::string out;
        for (unsigned i = 0; i < 8; ++i) {
            out += HexDigits[mac[i] >> 4];
            out += HexDigits[mac[i] & 15];
        }
        return out;
    }

private:
    EVP_MAC* mac_ = nullptr;
    EVP_MAC_CTX* keyed_ = nullptr;
};

std::string Hashed(std::string_view client, const KeyedHash& hash) {
    const ClientForm f = ReadClient(client);
    // The message names its kind, so no name can hash like an address's bytes.
    std::string message;
    switch (f.kind) {
    case ClientForm::V4:
        message = "4";
        for (int shift = 24; shift >= 0; shift -= 8) message += static_cast<char>((f.v4 >> shift) & 255);
        break;
    case ClientForm::V6:
        message = "6";
        for (uint64_t half : {f.v6.Hi, f.v6.Lo})
            for (int shift = 56; shift >= 0; shift -= 8) message += static_cast<char>((half >> shift) & 255);
        break;
    case ClientForm::Name:
        message = "n";
        for (char c : f.name) message += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        break;
    case ClientForm::Other: return std::string(client);
    }
    const std::string digits = hash.Mac8(message);
    return "v-" + (digits.empty() ? std::string(16, '?') : digits);   // never the address itself
}

} // namespace

std::string HashedAddress(std::string_view client, std::string_view key) {
    return Hashed(client, KeyedHash(key));
}

struct AddressMasks::Hasher : KeyedHash {
    using KeyedHash::KeyedHash;
};

AddressMasks::AddressMasks() = default;
AddressMasks::~AddressMasks() = default;

void AddressMasks::Start(AnonymiseMode mode, std::string key) {
    Clear();
    mode_ = mode;
    if (mode == AnonymiseMode::Hash) hasher_ = std::make_unique<Hasher>(key);
}

void AddressMasks::Clear() {
    mode_ = AnonymiseMode::None;
    hasher_.reset();
    replacements_.clear();
    index_.Clear();
    store_.Clear();
    lineClient_ = {};
}

std::string AddressMasks::Compute(std::string_view client) const {
    return mode_ == AnonymiseMode::Hash ? Hashed(client, *hasher_) : TruncatedAddress(client);
}

std::string_view AddressMasks::Replace(std::string_view client, uint64_t& shownHash) {
    if (mode_ == AnonymiseMode::None) {
        shownHash = HashText(client);
        return client;
    }
    const uint64_t hash = HashText(client);
    auto same = [&](uint32_t r) { return replacements_[r].Logged == client; };
    if (const uint32_t r = index_.Find(hash, same); r != 0) {
        shownHash = replacements_[r].ShownHash;
        return replacements_[r].Shown;
    }
    if (replacements_.empty()) replacements_.emplace_back();
    const std::string_view shown = store_.Store(Compute(client));
    replacements_.push_back({store_.Store(client), shown, HashText(shown)});
    const auto r = static_cast<uint32_t>(replacements_.size() - 1);
    index_.Insert(hash, r, same);
    shownHash = replacements_[r].ShownHash;
    return shown;
}

std::string WithClientReplaced(std::string_view raw, std::string_view client, std::string_view shown) {
    if (client.empty() || client.data() < raw.data() || client.data() + client.size() > raw.data() + raw.size())
        return std::string(raw);
    const size_t at = static_cast<size_t>(client.data() - raw.data());
    std::string out;
    out.reserve(raw.size() + shown.size());
    out.append(raw.substr(0, at)).append(shown).append(raw.substr(at + client.size()));
    return out;
}

std::string AddressMasks::ShownLine(std::string_view line) {
    if (!On()) return std::string(line);
    const std::string_view client = lineClient_;
    if (!client.empty() && client.data() >= line.data() && client.data() + client.size() <= line.data() + line.size())
        return WithClientReplaced(line, client, Replace(client));
    // A line of one word (an address or a name, as an interrupted write leaves) is all client.
    {
        std::string_view word = line;
        while (!word.empty() && (word.back() == ' ' || word.back() == '\r' || word.back() == '\t')) word.remove_suffix(1);
        if (!word.empty() && word.find_first_of(" \t") == std::string_view::npos)
            return std::string(Compute(word)).append(line.substr(word.size()));
    }
    // The line's client field is not known: every piece that reads as an address goes.
    auto addressChar = [](char c) { return HexValue(c) >= 0 || c == '.' || c == ':'; };
    std::string out;
    out.reserve(line.size());
    size_t i = 0;
    while (i < line.size()) {
        if (!addressChar(line[i])) {
            out += line[i++];
            continue;
        }
        size_t j = i;
        while (j < line.size() && addressChar(line[j])) ++j;
        std::string_view piece = line.substr(i, j - i);
        // A sentence's full stop or a field's colon after an address is not part of it.
        while (piece.size() > 1 && (piece.back() == '.' || (piece.back() == ':' && !piece.ends_with("::"))))
            piece.remove_suffix(1);
        uint32_t v4;
        Ip6Number v6;
        if (ParseIPv4(piece, v4) || (piece.find(':') != std::string_view::npos && piece.size() > 2 && ParseIPv6(piece, v6)))
            out.append(Compute(piece));
        else
            out.append(piece);
        i += piece.size();
    }
    return out;
}

} // namespace trevix
