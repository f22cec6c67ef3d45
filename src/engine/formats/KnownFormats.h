#pragma once
// The readers of the named formats and of format strings. Each returns a fresh reader.
#include "engine/formats/LineFormat.h"

#include <memory>
#include <string>
#include <string_view>

namespace trevix {

// W3C extended (W3cFormat.cpp). IIS files name their columns in "#Fields:"; a reader made
// before any directive reads nothing until one comes. CloudFront files are tab-separated with
// a fixed column list and "%2520"-style escapes.
std::unique_ptr<LineFormat> MakeW3cFormat();
std::unique_ptr<LineFormat> MakeCloudFrontFormat();

// JSON lines (JsonFormats.cpp).
std::unique_ptr<LineFormat> MakeCaddyFormat();
std::unique_ptr<LineFormat> MakeTraefikFormat();
std::unique_ptr<LineFormat> MakeNginxJsonFormat();

// Load balancers and storage (CloudFormats.cpp).
std::unique_ptr<LineFormat> MakeAlbFormat();
std::unique_ptr<LineFormat> MakeElbFormat();
std::unique_ptr<LineFormat> MakeS3Format();

// Apache's vhost_combined: "host:port" before the client (FormatString.cpp).
std::unique_ptr<LineFormat> MakeVhostCombinedFormat();
// A server's format string (FormatString.cpp): Apache LogFormat ("%h %l %u %t \"%r\" ..."),
// nginx log_format ("$remote_addr - $remote_user [$time_local] ..."), with or without the
// directive and quotes around it; a string that is a JSON object whose values are nginx
// variables or Apache directives reads JSON lines by those keys. Null with a message in
// error when the string has no request or no status field, or does not read as a format.
std::unique_ptr<LineFormat> MakeFormatStringFormat(std::string_view text, std::string& error);

} // namespace trevix
