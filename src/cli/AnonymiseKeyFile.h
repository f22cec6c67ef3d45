#pragma once
// The key for "--anonymise hash" from a file of its own (--anonymise-key-file), for runs whose
// site profile holds none.
#include <string>

namespace trevix {

// Reads the key of path as hex digits (the form a site profile stores). The file must be a
// regular file that only its owner can read or write. It holds 64 or more hex digits (an even
// number; blanks and line ends around them are ignored), or else at least 32 bytes of any
// kind, all of which are the key. On failure returns false and sets error.
bool ReadAnonymiseKeyFile(const std::string& path, std::string& hexKey, std::string& error);

} // namespace trevix
