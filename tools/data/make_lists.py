#!/usr/bin/env python3
"""Write data/errors.dat, data/graphics.dat and data/sessionid.dat."""

import datafmt

# HTTP status codes 400 to 599: the IANA registry with the reason phrases of
# RFC 9110 (and of the RFCs it names for the others), then codes that servers,
# proxies and CDNs write to access logs without a registration, each marked
# with where it comes from.
ERRORS = [
    (400, "Bad Request"),
    (401, "Unauthorized"),
    (402, "Payment Required"),
    (403, "Forbidden"),
    (404, "Not Found"),
    (405, "Method Not Allowed"),
    (406, "Not Acceptable"),
    (407, "Proxy Authentication Required"),
    (408, "Request Timeout"),
    (409, "Conflict"),
    (410, "Gone"),
    (411, "Length Required"),
    (412, "Precondition Failed"),
    (413, "Content Too Large"),
    (414, "URI Too Long"),
    (415, "Unsupported Media Type"),
    (416, "Range Not Satisfiable"),
    (417, "Expectation Failed"),
    (418, "I'm a teapot (unused, RFC 2324)"),
    (419, "Page Expired (non-standard, Laravel)"),
    (420, "Enhance Your Calm (non-standard, Twitter API)"),
    (421, "Misdirected Request"),
    (422, "Unprocessable Content"),
    (423, "Locked"),
    (424, "Failed Dependency"),
    (425, "Too Early"),
    (426, "Upgrade Required"),
    (428, "Precondition Required"),
    (429, "Too Many Requests"),
    (431, "Request Header Fields Too Large"),
    (440, "Login Time-out (non-standard, IIS)"),
    (444, "No Response (non-standard, nginx: connection closed)"),
    (449, "Retry With (non-standard, IIS)"),
    (450, "Blocked by Windows Parental Controls (non-standard, Microsoft)"),
    (451, "Unavailable For Legal Reasons"),
    (460, "Client Closed Connection (non-standard, AWS load balancer)"),
    (463, "Too Many Forwarded Addresses (non-standard, AWS load balancer)"),
    (494, "Request Header Too Large (non-standard, nginx)"),
    (495, "SSL Certificate Error (non-standard, nginx)"),
    (496, "SSL Certificate Required (non-standard, nginx)"),
    (497, "HTTP Request Sent to HTTPS Port (non-standard, nginx)"),
    (498, "Invalid Token (non-standard, Esri)"),
    (499, "Client Closed Request (non-standard, nginx)"),
    (500, "Internal Server Error"),
    (501, "Not Implemented"),
    (502, "Bad Gateway"),
    (503, "Service Unavailable"),
    (504, "Gateway Timeout"),
    (505, "HTTP Version Not Supported"),
    (506, "Variant Also Negotiates"),
    (507, "Insufficient Storage"),
    (508, "Loop Detected"),
    (509, "Bandwidth Limit Exceeded (non-standard, Apache/cPanel)"),
    (510, "Not Extended (obsolete)"),
    (511, "Network Authentication Required"),
    (520, "Web Server Returned an Unknown Error (non-standard, Cloudflare)"),
    (521, "Web Server Is Down (non-standard, Cloudflare)"),
    (522, "Connection Timed Out (non-standard, Cloudflare)"),
    (523, "Origin Is Unreachable (non-standard, Cloudflare)"),
    (524, "A Timeout Occurred (non-standard, Cloudflare)"),
    (525, "SSL Handshake Failed (non-standard, Cloudflare)"),
    (526, "Invalid SSL Certificate (non-standard, Cloudflare)"),
    (527, "Railgun Error (non-standard, Cloudflare)"),
    (530, "Origin DNS Error (non-standard, Cloudflare)"),
    (561, "Unauthorized (non-standard, AWS load balancer)"),
    (598, "Network Read Timeout Error (non-standard, proxies)"),
    (599, "Network Connect Timeout Error (non-standard, proxies)"),
]

# Extensions of files that a page pulls in rather than pages a visitor reads
# and leaves from: lower case, no dot. html, php and pdf stay out on purpose.
GRAPHICS = [
    # images and icons
    "gif", "jpg", "jpeg", "jpe", "jfif", "png", "apng", "bmp", "ico", "cur", "svg", "svgz",
    "webp", "avif", "jxl", "heic", "tif", "tiff", "xbm",
    # style sheets, scripts and their source maps
    "css", "js", "mjs", "map",
    # fonts
    "woff", "woff2", "ttf", "otf", "eot",
    # audio, video and plug-in media
    "mp3", "m4a", "aac", "oga", "ogg", "opus", "wav", "flac", "mid", "midi",
    "mp4", "m4v", "webm", "ogv", "mov", "avi", "wmv", "flv", "mpg", "mpeg", "swf",
]

# Beginnings of URL parameters that carry a session and make one page look
# like many. Matching is case-sensitive, hence the spellings. Never gclid
# (paid-search detection reads it) and never s= (a common search parameter).
SESSION_IDS = [
    "PHPSESSID=", "phpsessid=",
    "sid=", "SID=",
    "jsessionid=", "JSESSIONID=",
    "sessionid=", "sessionId=", "SessionID=", "session_id=",
    "sessid=", "SESSID=",
    "osCsid=", "zenid=", "XTCsid=",
    "CFID=", "CFTOKEN=",
    "BV_SessionID=", "BV_EngineID=",
    "___SID=",
]


def main():
    datafmt.write_lines(datafmt.data_path("errors.dat"), ["%d,%s" % e for e in ERRORS])
    datafmt.write_records(datafmt.data_path("graphics.dat"), GRAPHICS)
    datafmt.write_records(datafmt.data_path("sessionid.dat"), SESSION_IDS)
    print("errors.dat: %d codes; graphics.dat: %d extensions; sessionid.dat: %d prefixes"
          % (len(ERRORS), len(GRAPHICS), len(SESSION_IDS)))


if __name__ == "__main__":
    main()
