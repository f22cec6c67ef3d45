#!/usr/bin/env python3
"""Writes one combined-format log again in other log formats, line for line.

Reads a common/combined log (for example one made by genlog.py) and writes the same requests
as W3C extended (IIS), CloudFront, Caddy, Traefik and nginx JSON, Application and Classic Load
Balancer, S3 server access, Apache vhost_combined and an nginx format string, plus the
combined lines that every format could carry ("combined"), so that analysing any of the files
must give the same report lists. A line is left out of every file when one format cannot
carry it exactly: malformed lines, methods other than GET/POST/HEAD, blanks in a URL, "+" in
a user agent (W3C writes blanks as "+"), an address that is a host name (load balancers log
addresses), text that is not UTF-8.

Usage:
    python3 tools/relog.py INPUT.log OUTDIR [--formats combined,w3c,...] [--host www.example.com]
"""

import argparse
import datetime
import json
import os
import re
import sys
import urllib.parse

LINE = re.compile(r'^(\S+) (\S+) (\S+) \[(\d\d)/(\w{3})/(\d{4}):(\d\d):(\d\d):(\d\d) ([-+]\d{4})\] '
                  r'"(\S+) (\S+) (HTTP/[\d.]+)" (\d{3}) (\d+|-)(?: "([^"]*)" "([^"]*)")?\s*$')
MONTHS = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"]
ADDRESS = re.compile(r'^(\d{1,3}(\.\d{1,3}){3}|[0-9a-fA-F:]+:[0-9a-fA-F:]*)$')
FORMATS = ["combined", "vhost", "w3c", "cloudfront", "caddy", "traefik", "nginxjson", "alb", "elb", "s3",
           "nginxstring"]
NGINX_STRING = ('log_format custom \'$remote_addr [$time_iso8601] $host "$request" $status '
                '$body_bytes_sent $request_time "$http_referer" "$http_user_agent"\';')


class Request:
    pass


def parse(line):
    m = LINE.match(line)
    if not m:
        return None
    r = Request()
    (r.client, _, _, day, mon, year, hh, mm, ss, zone, r.method, r.url, r.proto, status, size,
     ref, agent) = m.groups()
    if mon not in MONTHS or r.method not in ("GET", "POST", "HEAD"):
        return None
    if not ADDRESS.match(r.client):
        return None
    sign = -1 if zone[0] == "-" else 1
    offset = datetime.timedelta(minutes=sign * (int(zone[1:3]) * 60 + int(zone[3:5])))
    local = datetime.datetime(int(year), MONTHS.index(mon) + 1, int(day), int(hh), int(mm), int(ss))
    r.utc = local - offset
    r.zone = zone
    r.local = local
    r.status = int(status)
    r.size = 0 if size == "-" else int(size)
    r.ref = ref if ref not in (None, "", "-") else ""
    r.agent = agent if agent not in (None, "", "-") else ""
    r.path, _, r.query = r.url.partition("?")
    if not r.path.startswith("/") or " " in r.url or "+" in r.agent or '"' in r.agent or "\\" in r.agent:
        return None
    if "?" in r.query or " " in r.ref or "\t" in (r.agent + r.ref):
        return None
    return r


def dash(text):
    return text if text else "-"


def iso(dt, frac=""):
    return dt.strftime("%Y-%m-%dT%H:%M:%S") + frac + "Z"


def clf_time(r):
    return "%02d/%s/%04d:%02d:%02d:%02d %s" % (r.local.day, MONTHS[r.local.month - 1], r.local.year,
                                              r.local.hour, r.local.minute, r.local.second, r.zone)


def unix(dt):
    return (dt - datetime.datetime(1970, 1, 1)).total_seconds()


def write_line(fmt, r, host, n):
    if fmt == "combined":
        return '%s - - [%s] "%s %s %s" %d %d "%s" "%s"' % (r.client, clf_time(r), r.method, r.url, r.proto,
                                                        r.status, r.size, dash(r.ref), dash(r.agent))
    if fmt == "vhost":
        return '%s:443 %s - - [%s] "%s %s %s" %d %d "%s" "%s"' % (host, r.client, clf_time(r), r.method, r.url,
                                                               r.proto, r.status, r.size, dash(r.ref), dash(r.agent))
    if fmt == "w3c":
        return " ".join([r.utc.strftime("%Y-%m-%d"), r.utc.strftime("%H:%M:%S"), "10.0.0.5", r.method, r.path,
                         dash(r.query), "443", "-", r.client, dash(r.agent.replace(" ", "+")), dash(r.ref),
                         str(r.status), "0", "0", str(r.size), "15"])
    if fmt == "cloudfront":
        # CloudFront escapes every field once more; older files escaped the user agent twice.
        def once(text):
            return urllib.parse.quote(text, safe="/;:()=,?&+.-_~") if text else "-"
        agent = urllib.parse.quote(r.agent, safe="/;:()=,").replace("%20", "%2520") if r.agent else "-"
        return "\t".join([r.utc.strftime("%Y-%m-%d"), r.utc.strftime("%H:%M:%S"), "FRA56-C1", str(r.size),
                          r.client, r.method, "d111111abcdef8.cloudfront.net", once(r.path), str(r.status),
                          once(r.ref), agent, once(r.query), "-", "Hit", "SOX4xwn4XV6Q4rgb7XiVGOHms_BGlTAC4KyHmureZmBNrjGdRLiNIQ==",
                          host, "https", "180", "0.001", "-", "TLSv1.3", "TLS_AES_128_GCM_SHA256", "Hit",
                          "HTTP/2.0", "-", "-", "11040", "0.001", "Hit", "text/html", str(r.size), "-", "-"])
    if fmt == "caddy":
        headers = {"Accept": ["*/*"]}
        if r.agent:
            headers["User-Agent"] = [r.agent]
        if r.ref:
            headers["Referer"] = [r.ref]
        return json.dumps({"level": "info", "ts": round(unix(r.utc), 3), "logger": "http.log.access.log0",
                           "msg": "handled request",
                           "request": {"remote_ip": r.client, "remote_port": "52114", "client_ip": r.client,
                                       "proto": r.proto, "method": r.method, "host": host, "uri": r.url,
                                       "headers": headers},
                           "bytes_read": 0, "user_id": "", "duration": 0.0012, "size": r.size,
                           "status": r.status, "resp_headers": {"Server": ["Caddy"]}}, ensure_ascii=True)
    if fmt == "traefik":
        record = {"ClientAddr": r.client + ":52114", "ClientHost": r.client, "ClientPort": "52114",
                  "DownstreamContentSize": r.size, "DownstreamStatus": r.status, "Duration": 1200000,
                  "RequestHost": host, "RequestMethod": r.method, "RequestPath": r.url,
                  "RequestProtocol": r.proto, "RouterName": "web@docker",
                  "StartUTC": iso(r.utc, ".%09d" % (n % 1000000000)), "level": "info", "msg": "",
                  "time": iso(r.utc)}
        if r.agent:
            record["request_User-Agent"] = r.agent
        if r.ref:
            record["request_Referer"] = r.ref
        return json.dumps(record, ensure_ascii=True)
    if fmt == "nginxjson":
        return json.dumps({"time_local": clf_time(r), "remote_addr": r.client, "request": "%s %s %s" % (
            r.method, r.url, r.proto), "status": str(r.status), "body_bytes_sent": str(r.size),
            "http_referer": r.ref, "http_user_agent": r.agent, "host": host, "request_time": "0.001"},
            ensure_ascii=True)
    if fmt == "alb":
        return ('https %s app/my-loadbalancer/50dc6c495c0c9188 %s:2817 10.0.0.1:80 0.000 0.001 0.000 %d %d 34 %d '
                '"%s https://%s:443%s %s" "%s" ECDHE-RSA-AES128-GCM-SHA256 TLSv1.2 '
                'arn:aws:elasticloadbalancing:us-east-2:123456789012:targetgroup/my-targets/73e2d6bc24d8a067 '
                '"Root=1-58337262-36d228ad5d99923122bbe354" "%s" '
                '"arn:aws:acm:us-east-2:123456789012:certificate/12345678-1234-1234-1234-123456789012" 0 %s '
                '"forward" "-" "-" "10.0.0.1:80" "200" "-" "-" TID_1234') % (
                    iso(r.utc, ".%06d" % (n % 1000000)), r.client, r.status, r.status, r.size, r.method, host,
                    r.url, r.proto, dash(r.agent), host, iso(r.utc, ".%06d" % (n % 1000000)))
    if fmt == "elb":
        return '%s my-loadbalancer %s:2817 10.0.0.1:80 0.000073 0.001048 0.000057 %d %d 0 %d "%s http://%s:80%s %s" "%s" - -' % (
            iso(r.utc, ".%06d" % (n % 1000000)), r.client, r.status, r.status, r.size, r.method, host, r.url,
            r.proto, dash(r.agent))
    if fmt == "s3":
        op = "REST.%s.OBJECT" % r.method
        return ('79a59df900b949e55d96a1e698fbacedfd6e09d98eacf8f8d5218e7cd47ef2be examplebucket [%s] %s '
                '79a59df900b949e55d96a1e698fbacedfd6e09d98eacf8f8d5218e7cd47ef2be 3E57427F3EXAMPLE %s %s '
                '"%s %s %s" %d - %d %d 70 10 "%s" "%s" - '
                's9lzHYrFp76ZVxRcpX9+5cjAnEH2ROuNkd2BHfIa6UkFVdtjf5mKR3/eTPFvsiP/XV/VLi31234= SigV4 '
                'ECDHE-RSA-AES128-GCM-SHA256 AuthHeader %s TLSv1.2 - -') % (
                    clf_time(r), r.client, op, r.path.lstrip("/") or "-", r.method, r.url, r.proto, r.status,
                    r.size, r.size, dash(r.ref), dash(r.agent), host)
    if fmt == "nginxstring":
        return '%s [%s] %s "%s %s %s" %d %d 0.001 "%s" "%s"' % (
            r.client, r.local.strftime("%Y-%m-%dT%H:%M:%S") + r.zone[:3] + ":" + r.zone[3:], host, r.method, r.url,
            r.proto, r.status, r.size, dash(r.ref), dash(r.agent))
    raise ValueError(fmt)


HEADERS = {
    "w3c": ["#Software: Microsoft Internet Information Services 10.0", "#Version: 1.0",
            "#Date: 2026-11-02 00:00:00",
            "#Fields: date time s-ip cs-method cs-uri-stem cs-uri-query s-port cs-username c-ip "
            "cs(User-Agent) cs(Referer) sc-status sc-substatus sc-win32-status sc-bytes time-taken"],
    "cloudfront": ["#Version: 1.0",
                   "#Fields: date time x-edge-location sc-bytes c-ip cs-method cs(Host) cs-uri-stem sc-status "
                   "cs(Referer) cs(User-Agent) cs-uri-query cs(Cookie) x-edge-result-type x-edge-request-id "
                   "x-host-header cs-protocol cs-bytes time-taken x-forwarded-for ssl-protocol ssl-cipher "
                   "x-edge-response-result-type cs-protocol-version fle-status fle-encrypted-fields c-port "
                   "time-to-first-byte x-edge-detailed-result-type sc-content-type sc-content-len "
                   "sc-range-start sc-range-end"],
}
EXTENSIONS = {"caddy": "json", "traefik": "json", "nginxjson": "json"}


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("input")
    ap.add_argument("outdir")
    ap.add_argument("--formats", default=",".join(FORMATS))
    ap.add_argument("--host", default="www.example.com")
    args = ap.parse_args()
    formats = args.formats.split(",")
    for f in formats:
        if f not in FORMATS:
            sys.exit("unknown format: " + f)
    os.makedirs(args.outdir, exist_ok=True)
    outs = {}
    for f in formats:
        outs[f] = open(os.path.join(args.outdir, "%s.%s" % (f, EXTENSIONS.get(f, "log"))), "w", encoding="utf-8",
                       newline="\n")
        for h in HEADERS.get(f, []):
            outs[f].write(h + "\n")
    with open(os.path.join(args.outdir, "nginxstring.format"), "w", encoding="utf-8") as fs:
        fs.write(NGINX_STRING + "\n")
    kept = skipped = 0
    with open(args.input, "rb") as src:
        for n, raw in enumerate(src):
            try:
                line = raw.decode("utf-8")
            except UnicodeDecodeError:
                skipped += 1
                continue
            r = parse(line.rstrip("\r\n"))
            if r is None:
                skipped += 1
                continue
            kept += 1
            for f in formats:
                outs[f].write(write_line(f, r, args.host, n) + "\n")
    for out in outs.values():
        out.close()
    print("%d lines written in %d formats, %d left out" % (kept, len(formats), skipped))


if __name__ == "__main__":
    main()
