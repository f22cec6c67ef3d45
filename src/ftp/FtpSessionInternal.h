// What the session's source files share and nobody else needs: the state of one libcurl
// call and the callbacks that reach into the session.
#pragma once

#include "FtpSession.h"
#include "FtpText.h"

#include <curl/curl.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace trevix {

// What one libcurl call needs in its callbacks.
struct FtpSession::Call {
    FtpSession* Session = nullptr;
    bool Download = false;           // progress goes to the progress bar
    std::FILE* Out = nullptr;        // download target
    int WriteErrno = 0;              // why writing the download failed (disk full)
    const std::function<bool(const FtpDirEntry&)>* OnEntry = nullptr;
    bool StoppedByCaller = false;    // OnEntry asked to stop
    int64_t ShownProgress = -1;
    std::string LastReply;           // the server's last reply line
    std::string LastErrorReply;      // its last 4xx/5xx line: what a refusal says
    std::vector<std::string> Replies;
    curl_slist* Quote = nullptr;
    bool Listing = false;            // the body is a directory listing for OnEntry
    ListingParser Parser;
    // What the server sent besides a download; past the session's ReplyLimit the command stops.
    int64_t ReplyBytes = 0;
    int64_t BodyBytes = 0;
    bool Oversized = false;
    std::string HostKeyMessage;      // why the SSH host key was refused
    char ErrorBuffer[CURL_ERROR_SIZE] = {};
    ~Call() { curl_slist_free_all(Quote); }
};

// The callbacks are plain functions for libcurl; they reach the session through this.
struct CallbackAccess {
    static bool ShouldStop(FtpSession::Call& call);
    static int Progress(void* data, curl_off_t dltotal, curl_off_t dlnow, curl_off_t, curl_off_t);
    // One entry of a listing for the caller.
    static bool ListEntry(FtpSession::Call& call, const FtpDirEntry& entry);
    static size_t Write(char* ptr, size_t size, size_t count, void* data);
    // libcurl hands every server reply line of the control connection here.
    static size_t Header(char* ptr, size_t size, size_t count, void* data);
    // The SSH host key against the known hosts: only a listed, matching key is accepted.
    static int HostKey(CURL*, const curl_khkey*, const curl_khkey* found, curl_khmatch match, void* data);
};

// Helpers used by more than one of the session's source files.
namespace ftpsession {

// "64 MB" for a limit of whole megabytes, else its bytes.
std::string LimitText(int64_t limit);
std::string HomeFolder();
// The first of the usual private key files that exists; empty when none does.
std::string DefaultKeyFile();

} // namespace ftpsession

} // namespace trevix
