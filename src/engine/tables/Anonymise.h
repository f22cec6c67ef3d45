#pragma once
// Visitors' addresses kept private: a client address (or host name) is replaced before anything
// of it is stored, either by its network (IPv4 /24, IPv6 /48, a name's last two labels) or by a
// keyed hash (HMAC-SHA-256, shown as "v-" and 16 hex digits). Filters and the country lookup
// still see the address as logged; everything shown, saved or exported sees the replacement.
#include "engine/base/RecordIndex.h"
#include "engine/base/TextArena.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trevix {

enum class AnonymiseMode { None, Truncate, Hash };

// "none", "truncate", "hash"; nothing for any other text.
std::optional<AnonymiseMode> AnonymiseModeNamed(std::string_view name);
const char* AnonymiseModeName(AnonymiseMode mode);

// A hashing key is at least this many bytes.
constexpr size_t AnonymiseKeyBytes = 32;

// A new key of 32 random bytes as 64 lower-case hex digits (the settings file's form); empty
// when the system has no randomness to give.
std::string NewAnonymiseKey();
// The key's bytes from its hex digits (64 or more, an even number); nothing for any other text.
std::optional<std::string> AnonymiseKeyFromHex(std::string_view hex);

// The network of an address ("203.0.113.0", "2001:db8:1::") or a name's last two labels. A text
// that is neither an address nor a name ("-", empty) is returned as it is.
std::string TruncatedAddress(std::string_view client);
// "v-" and the first 8 bytes of HMAC-SHA-256(key, address) in hex. Every form of one address
// (IPv6 spellings, a name's letter case) gives the same text.
std::string HashedAddress(std::string_view client, std::string_view key);

// The replacement of one run, kept per distinct address: addresses repeat, so a line costs a
// lookup. Used by the reading thread while the lines are read, and by the reports that read
// stored lines again afterwards; never by two threads at once.
class AddressMasks {
public:
    AddressMasks();
    ~AddressMasks();
    AddressMasks(const AddressMasks&) = delete;
    AddressMasks& operator=(const AddressMasks&) = delete;
    void Start(AnonymiseMode mode, std::string key);
    bool On() const { return mode_ != AnonymiseMode::None; }
    AnonymiseMode Mode() const { return mode_; }
    // The replacement of client; valid until Clear. shownHash is HashText of it.
    std::string_view Replace(std::string_view client, uint64_t& shownHash);
    std::string_view Replace(std::string_view client) {
        uint64_t hash;
        return Replace(client, hash);
    }
    // The parser notes the client field of the line it reads, so a line written to the
    // processing log shows that field replaced.
    void NoteClient(std::string_view client) { lineClient_ = client; }
    // line as the processing log may show it: the noted client field replaced, or, when the
    // line's client field is not known, every address in it.
    std::string ShownLine(std::string_view line);
    void Clear();

private:
    std::string Compute(std::string_view client) const;
    struct Hasher;
    AnonymiseMode mode_ = AnonymiseMode::None;
    std::unique_ptr<Hasher> hasher_;
    TextArena store_;
    // The replacements made so far, found by the logged text's hash: a line costs one hash of
    // its client field, as it would without the replacement, and a probe.
    struct Replacement {
        std::string_view Logged, Shown;
        uint64_t ShownHash = 0;
    };
    std::vector<Replacement> replacements_;   // from 1
    RecordIndex index_;
    std::string_view lineClient_;
};

// raw with the piece client (a view into raw) replaced by shown; raw itself when client does
// not lie in it.
std::string WithClientReplaced(std::string_view raw, std::string_view client, std::string_view shown);

} // namespace trevix
