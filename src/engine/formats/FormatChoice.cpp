#include "engine/formats/FormatChoice.h"

#include "engine/base/Text.h"
#include "engine/formats/KnownFormats.h"

namespace trevix {

const std::vector<FormatNameInfo>& FormatNames() {
    static const std::vector<FormatNameInfo> names = {
        {FormatName::Automatic, "auto", "Automatic"},
        {FormatName::Common, "common", "Common"},
        {FormatName::Combined, "combined", "Combined"},
        {FormatName::VhostCombined, "vhost-combined", "Combined with virtual host first"},
        {FormatName::W3c, "w3c", "W3C extended (IIS)"},
        {FormatName::CloudFront, "cloudfront", "CloudFront"},
        {FormatName::Caddy, "caddy", "Caddy JSON"},
        {FormatName::Traefik, "traefik", "Traefik JSON"},
        {FormatName::NginxJson, "nginx-json", "nginx JSON"},
        {FormatName::Alb, "alb", "Application Load Balancer"},
        {FormatName::Elb, "elb", "Classic Load Balancer"},
        {FormatName::S3, "s3", "S3 server access"},
        {FormatName::FormatString, "", "Format string"},
    };
    return names;
}

FormatChoice FormatChoiceOf(std::string_view text) {
    text = TrimBlanks(text);
    if (text.empty()) return {};
    for (const FormatNameInfo& info : FormatNames())
        if (!info.Key.empty() && info.Key == text) return {info.Name, {}};
    return {FormatName::FormatString, std::string(text)};
}

std::string FormatChoiceText(const FormatChoice& choice) {
    if (choice.Name == FormatName::FormatString) return choice.Text;
    for (const FormatNameInfo& info : FormatNames())
        if (info.Name == choice.Name) return std::string(info.Key);
    return "auto";
}

std::unique_ptr<LineFormat> MakeLineFormat(const FormatChoice& choice, std::string& error) {
    error.clear();
    switch (choice.Name) {
    case FormatName::Automatic:
    case FormatName::Common:
    case FormatName::Combined: return nullptr;
    case FormatName::VhostCombined: return MakeVhostCombinedFormat();
    case FormatName::W3c: return MakeW3cFormat();
    case FormatName::CloudFront: return MakeCloudFrontFormat();
    case FormatName::Caddy: return MakeCaddyFormat();
    case FormatName::Traefik: return MakeTraefikFormat();
    case FormatName::NginxJson: return MakeNginxJsonFormat();
    case FormatName::Alb: return MakeAlbFormat();
    case FormatName::Elb: return MakeElbFormat();
    case FormatName::S3: return MakeS3Format();
    case FormatName::FormatString: return MakeFormatStringFormat(choice.Text, error);
    }
    return nullptr;
}

std::vector<std::unique_ptr<LineFormat>> DetectableFormats() {
    std::vector<std::unique_ptr<LineFormat>> formats;
    formats.push_back(MakeVhostCombinedFormat());
    formats.push_back(MakeCloudFrontFormat());
    formats.push_back(MakeW3cFormat());
    formats.push_back(MakeCaddyFormat());
    formats.push_back(MakeTraefikFormat());
    formats.push_back(MakeNginxJsonFormat());
    formats.push_back(MakeAlbFormat());
    formats.push_back(MakeElbFormat());
    formats.push_back(MakeS3Format());
    std::erase(formats, nullptr);
    return formats;
}

} // namespace trevix
