#pragma once
// 128-bit IPv6 address numbers and the parsing of every textual form of an address.
#include <compare>
#include <cstdint>
#include <string_view>

namespace trevix {

// An IPv6 address as a 128-bit number, high half first, so that the default ordering is the
// numeric one.
struct Ip6Number {
    uint64_t Hi = 0;
    uint64_t Lo = 0;
    auto operator<=>(const Ip6Number&) const = default;
};

// Parses an IPv6 address: eight groups of one to four hex digits (either case), one "::" for a
// run of zero groups, optionally a dotted IPv4 address as the last 32 bits, optionally in
// square brackets and with a "%zone" suffix (ignored). False for anything else.
bool ParseIPv6(std::string_view text, Ip6Number& number);

// Parses a strict dotted IPv4 address "a.b.c.d" (each piece 0..255, one to three digits).
bool ParseIPv4(std::string_view text, uint32_t& number);

// True when the address is IPv4-mapped (::ffff:a.b.c.d); number is then the IPv4 address.
bool MappedIPv4(const Ip6Number& address, uint32_t& number);

} // namespace trevix
