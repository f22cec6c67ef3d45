#include "FtpErrors.h"

#include "FtpText.h"

#include <curl/curl.h>

#include <vector>

namespace trevix {

namespace {

struct ErrorRow {
    int Code;
    const char* Message;               // nullptr: the server's reply text is the message
    std::vector<CURLcode> FromCurl;    // libcurl results reported with this code
};

// The one table of FTP error messages and of the libcurl results behind them. Trailing
// blanks in messages are part of them.
const std::vector<ErrorRow>& ErrorTable() {
    static const std::vector<ErrorRow> table = {
        {12001, "No more handles could be generated at this time", {CURLE_OUT_OF_MEMORY}},
        {12002, "The request has timed out.", {CURLE_OPERATION_TIMEDOUT, CURLE_FTP_ACCEPT_TIMEOUT}},
        // Everything where the server answered with a refusal or an answer libcurl could not
        // use: the reply line says more than any fixed text could.
        {12003, nullptr,
         {CURLE_LOGIN_DENIED, CURLE_REMOTE_ACCESS_DENIED, CURLE_FTP_WEIRD_SERVER_REPLY,
          CURLE_FTP_WEIRD_PASS_REPLY, CURLE_FTP_WEIRD_PASV_REPLY, CURLE_FTP_WEIRD_227_FORMAT,
          CURLE_FTP_COULDNT_SET_TYPE, CURLE_FTP_COULDNT_RETR_FILE, CURLE_FTP_PORT_FAILED,
          CURLE_FTP_COULDNT_USE_REST, CURLE_FTP_PRET_FAILED, CURLE_QUOTE_ERROR,
          CURLE_REMOTE_FILE_NOT_FOUND, CURLE_UPLOAD_FAILED, CURLE_REMOTE_DISK_FULL,
          CURLE_REMOTE_FILE_EXISTS}},
        {12004, "An internal error has occurred.",
         {CURLE_FAILED_INIT, CURLE_BAD_FUNCTION_ARGUMENT, CURLE_UNKNOWN_OPTION, CURLE_NOT_BUILT_IN}},
        {12005, "URL is invalid.", {CURLE_URL_MALFORMAT}},
        {12006, "URL scheme could not be recognized, or is not supported.", {CURLE_UNSUPPORTED_PROTOCOL}},
        {12007, "Server name could not be resolved.", {CURLE_COULDNT_RESOLVE_HOST}},
        {12008, "Requested protocol could not be located.", {}},
        {12009, "Error 12009", {}},
        {12010, "Error 12010", {}},
        {12011, "The request option can not be set, only queried. ", {}},
        {12012, "The Win32 Internet support is being shutdown or unloaded.", {}},
        {12013, "Incorrect username.", {}},
        {12014, "Incorrect password. ", {}},
        {12015, "Connection failed.", {}},
        {12016, "Requested operation is invalid. ", {}},
        {12017, "Operation cancelled.", {CURLE_ABORTED_BY_CALLBACK}},
        {12018, "Type of handle supplied is incorrect for this operation.", {}},
        {12019, "Error 12019", {}},
        {12020, "Request can not be made via a proxy.", {CURLE_COULDNT_RESOLVE_PROXY}},
        {12021, "A required registry value could not be located. ", {}},
        {12022, "A required registry value was located but is an incorrect type or has an invalid value.", {}},
        {12023, "Direct network access cannot be made at this time. ", {}},
        {12024, "An asynchronous request could not be made because a zero context value was supplied.", {}},
        {12025, "An asynchronous request could not be made because a callback function has not been set.", {}},
        {12026, "The required operation could not be completed because one or more requests are pending.", {}},
        {12027, "The format of the request is invalid.", {}},
        {12028, "The requested item could not be located.", {}},
        {12029, "The attempt to connect to the server failed.",
         {CURLE_COULDNT_CONNECT, CURLE_FTP_CANT_GET_HOST, CURLE_FTP_ACCEPT_FAILED}},
        {12030, "The connection with the server has been terminated.",
         {CURLE_PARTIAL_FILE, CURLE_GOT_NOTHING, CURLE_SEND_ERROR, CURLE_RECV_ERROR}},
        {12031, "The connection with the server has been reset.", {}},
        {12036, "The request failed because the handle already exists.", {}},
        {12045, "The server's certificate is not trusted.", {CURLE_PEER_FAILED_VERIFICATION}},
        {12046, "The server's host key is not trusted.", {}},
        {12157, "A secure connection to the server could not be made.",
         {CURLE_SSL_CONNECT_ERROR, CURLE_USE_SSL_FAILED, CURLE_SSL_CACERT_BADFILE, CURLE_SSL_CERTPROBLEM,
          CURLE_SSL_CIPHER, CURLE_SSL_ENGINE_NOTFOUND, CURLE_SSL_ENGINE_SETFAILED, CURLE_SSH,
          CURLE_SSL_SHUTDOWN_FAILED, CURLE_SSL_CRL_BADFILE, CURLE_SSL_ISSUER_ERROR}},
    };
    return table;
}

} // namespace

std::string FtpErrorText(int errorCode, std::string_view serverResponse) {
    for (const ErrorRow& row : ErrorTable()) {
        if (row.Code != errorCode) continue;
        if (row.Message) return row.Message;
        std::string reply = TrimAtNul(serverResponse);
        return reply.empty() ? "Extended error returned from server." : reply;
    }
    return "Error details not available.";
}

int FtpErrorCodeFromCurl(int curlResult) {
    if (curlResult == CURLE_OK) return FtpErrorNone;
    for (const ErrorRow& row : ErrorTable())
        for (CURLcode c : row.FromCurl)
            if (c == curlResult) return row.Code;
    return curlResult;
}

} // namespace trevix
