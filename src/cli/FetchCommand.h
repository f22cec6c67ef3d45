#pragma once
// "trevix-cli fetch": downloads log files from an FTP, FTPS or SFTP server with the same
// code as the FTP browser, so a script can do what the download button does.
//   trevix-cli fetch (ftp|ftps|sftp)://USER@HOST[:PORT]/PATH/FILE... --to FOLDER [--password-file F]
//                    [--ca-file F] [--known-hosts F] [--rename [--template T] [--site NAME]] [--overwrite]
// The password comes from the file (its first line) or the environment variable
// TREVIX_FTP_PASSWORD, never from the command line. Exit status 0 when every file arrived,
// 1 when a file of a target's name is in the way (nothing is downloaded then), 130 after
// Ctrl+C, 2 otherwise.
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trevix {

// args: the words after "fetch".
// Makes sure downloads can land in folder: creates it when only the last level is missing.
// Empty when fine, else why not ("cannot be created: Error 2: No such file or directory").
std::string PrepareDownloadFolder(const std::string& folder);

int RunFetchCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// One ftp://, ftps:// or sftp:// address, taken apart and percent-decoded. An FTP path
// follows the usual FTP URL rule: relative to the folder the server logs in to, absolute when
// it starts with "%2F". An SFTP path is absolute, or relative to the login folder after "/~/".
struct FetchUrl {
    std::string Scheme = "ftp"; // lower case: ftp, ftps or sftp
    std::string User = "anonymous";
    std::string Host;
    std::string Port;      // as written; empty means 21 (22 for sftp)
    std::string Directory; // decoded; "" is the login folder; starts with "/" when absolute
    std::string File;      // decoded last segment
};

// Nullopt with a message in error when the text is not a usable address.
std::optional<FetchUrl> ParseFetchUrl(std::string_view url, std::string& error);

// The folder a URL's directory names, resolved against the login folder, "." and ".."
// applied, ending in "/".
std::string ResolveRemoteFolder(std::string_view loginFolder, std::string_view directory);

} // namespace trevix
