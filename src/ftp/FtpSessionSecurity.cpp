// Checks of whom the session talks to: the SSH host key against the known hosts, and the
// key files an SFTP login falls back on.
#include "FtpSession.h"

#include "FtpSessionInternal.h"

#include <curl/curl.h>
#include <openssl/evp.h>

#include <cstdlib>
#include <filesystem>
#include <string_view>

#include <pwd.h>
#include <unistd.h>

namespace trevix {

using ftpsession::HomeFolder;

namespace {

std::string Base64(const unsigned char* bytes, size_t size) {
    std::string out(4 * ((size + 2) / 3) + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), bytes, static_cast<int>(size));
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return out;
}

std::string KeyTypeName(int type) {
    switch (type) {
    case CURLKHTYPE_RSA1:
    case CURLKHTYPE_RSA: return "RSA";
    case CURLKHTYPE_DSS: return "DSA";
    case CURLKHTYPE_ECDSA: return "ECDSA";
    case CURLKHTYPE_ED25519: return "ED25519";
    default: return "unknown";
    }
}

} // namespace

std::string SshKeyFingerprint(std::string_view rawKey) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!EVP_Digest(rawKey.data(), rawKey.size(), digest, &length, EVP_sha256(), nullptr)) return {};
    std::string text = Base64(digest, length);
    while (!text.empty() && text.back() == '=') text.pop_back(); // written without padding, as ssh does
    return "SHA256:" + text;
}

int CallbackAccess::HostKey(CURL*, const curl_khkey*, const curl_khkey* found, curl_khmatch match, void* data) {
    auto& call = *static_cast<FtpSession::Call*>(data);
    if (match == CURLKHMATCH_OK) return CURLKHSTAT_FINE;
    std::string raw;
    if (found && found->key) {
        if (found->len > 0) {
            raw.assign(found->key, found->len);
        } else { // base64 text
            const std::string_view text(found->key);
            raw.resize(text.size());
            const int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(raw.data()),
                                          reinterpret_cast<const unsigned char*>(text.data()),
                                          static_cast<int>(text.size()));
            raw.resize(n > 0 ? static_cast<size_t>(n) : 0);
            // The decoder counts padding as zero bytes.
            for (size_t i = text.size(); i > 0 && text[i - 1] == '=' && !raw.empty(); --i) raw.pop_back();
        }
    }
    const std::string key = KeyTypeName(found ? found->keytype : CURLKHTYPE_UNKNOWN) + " key " + SshKeyFingerprint(raw);
    const std::string file = call.Session->KnownHostsPath();
    if (match == CURLKHMATCH_MISMATCH) {
        call.HostKeyMessage = "The server's host key has changed: its " + key + " differs from the key in " + file +
                              ". Someone may be intercepting the connection; it was refused.";
    } else {
        call.HostKeyMessage = "The server's host key is not known: " + key +
                              ". Compare it with the fingerprint the server's administrator gives you and add the "
                              "key to " + file + " to connect.";
    }
    return CURLKHSTAT_REJECT;
}

namespace ftpsession {

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return ".";
}

std::string DefaultKeyFile() {
    for (const char* name : {"id_ed25519", "id_ecdsa", "id_rsa"}) {
        const std::string path = HomeFolder() + "/.ssh/" + name;
        std::error_code ec;
        if (std::filesystem::exists(path, ec)) return path;
    }
    return {};
}

} // namespace ftpsession

std::string FtpSession::KnownHostsPath() const {
    return Security.KnownHostsFile.empty() ? HomeFolder() + "/.ssh/known_hosts" : Security.KnownHostsFile;
}

} // namespace trevix
