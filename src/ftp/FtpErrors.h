#pragma once
// FTP failures as the user reads them: every failure carries a numeric code from the
// classic Internet-client range (12001...), and FtpErrorText turns it into one line for the
// status bar. The codes are derived from libcurl's results in one table (FtpErrors.cpp).
#include <string>
#include <string_view>

namespace trevix {

enum FtpErrorCode : int {
    FtpErrorNone = 0,
    FtpErrorOutOfHandles = 12001,
    FtpErrorTimeout = 12002,
    FtpErrorServerReply = 12003,   // the server refused: its own reply text is the message
    FtpErrorInternal = 12004,
    FtpErrorInvalidUrl = 12005,
    FtpErrorUnrecognizedScheme = 12006,
    FtpErrorNameNotResolved = 12007,
    FtpErrorCancelled = 12017,
    FtpErrorProxy = 12020,
    FtpErrorItemNotFound = 12028,  // a listing does not hold the file
    FtpErrorCannotConnect = 12029,
    FtpErrorConnectionAborted = 12030,
    // The encrypted connections: what the classic range has for them.
    FtpErrorCertificate = 12045,   // the FTPS certificate was not trusted
    FtpErrorHostKey = 12046,       // the SFTP host key is unknown or changed
    FtpErrorSecureChannel = 12157, // no TLS or SSH session could be set up
};

// The message for a code. For FtpErrorServerReply it is serverResponse (cut at the first
// NUL), or "Extended error returned from server." when there is none. A code outside the
// table gives "Error details not available.".
std::string FtpErrorText(int errorCode, std::string_view serverResponse = {});

// The code for a libcurl result (a CURLcode); 0 for success. A result the table does not
// name gives its own number, which FtpErrorText reports as "Error details not available.".
int FtpErrorCodeFromCurl(int curlResult);

} // namespace trevix
