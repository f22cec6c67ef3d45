#pragma once
// Which format a site's logs are read as: "auto" (each file's format is detected), a named
// format, or the server's own format string as written in its configuration. The same texts
// are the site profile's LogFormat value and trevix-cli's --log-format argument.
#include "engine/formats/LineFormat.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace trevix {

enum class FormatName : uint8_t {
    Automatic, Common, Combined, VhostCombined, W3c, Caddy, Traefik, NginxJson,
    Alb, Elb, S3, CloudFront, FormatString,
};

struct FormatChoice {
    FormatName Name = FormatName::Automatic;
    std::string Text;   // the format string, for FormatString
};

// The names in the order the site dialog lists them, with their captions.
struct FormatNameInfo {
    FormatName Name;
    std::string_view Key;       // "auto", "combined", ...
    std::string_view Caption;   // "Automatic", "Combined", ...
};
const std::vector<FormatNameInfo>& FormatNames();

// A setting's or argument's text: a known name, else a format string (blanks around it
// dropped). Empty text is Automatic.
FormatChoice FormatChoiceOf(std::string_view text);
// The text that gives choice back.
std::string FormatChoiceText(const FormatChoice& choice);

// The reader of a chosen format. Null for Automatic and for the common/combined family (read
// by the line parser itself). A format string that cannot be used gives null and a message
// in error ("the format has no status field", ...); otherwise error is left empty.
std::unique_ptr<LineFormat> MakeLineFormat(const FormatChoice& choice, std::string& error);

// Every named format other than the common/combined family, in the order detection prefers
// them when two read a sample equally well.
std::vector<std::unique_ptr<LineFormat>> DetectableFormats();

} // namespace trevix
