#!/usr/bin/env python3
"""Check data/spider.dat, errors.dat, graphics.dat and sessionid.dat as the
program reads them."""

import sys

import datafmt
import make_spiders

# robots that the spider list must catch
ROBOTS = [
    "Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)",
    "Googlebot-Image/1.0",
    "Mozilla/5.0 (compatible; bingbot/2.0; +http://www.bing.com/bingbot.htm)",
    "Mozilla/5.0 (compatible; YandexBot/3.0; +http://yandex.com/bots)",
    "Mozilla/5.0 (compatible; Baiduspider/2.0; +http://www.baidu.com/search/spider.html)",
    "DuckDuckBot/1.1; (+http://duckduckgo.com/duckduckbot.html)",
    "Mozilla/5.0 (compatible; Yahoo! Slurp; http://help.yahoo.com/help/us/ysearch/slurp)",
    "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_5) AppleWebKit/605.1.15 (KHTML, like Gecko) Version/13.1.1 Safari/605.1.15 (Applebot/0.1; +http://www.apple.com/go/applebot)",
    "Mozilla/5.0 (compatible; AhrefsBot/7.0; +http://ahrefs.com/robot/)",
    "Mozilla/5.0 (compatible; SemrushBot/7~bl; +http://www.semrush.com/bot.html)",
    "facebookexternalhit/1.1 (+http://www.facebook.com/externalhit_uatext.php)",
    "Twitterbot/1.0",
    "curl/8.4.0",
    "Wget/1.21.3",
    "python-requests/2.31.0",
    "Go-http-client/1.1",
    "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) HeadlessChrome/120.0.6099.109 Safari/537.36",
    "msnbot/1.1 (+http://search.msn.com/msnbot.htm)",
    "Mozilla/2.0 (compatible; Ask Jeeves/Teoma)",
    "ia_archiver (+http://www.alexa.com/site/help/webmasters; crawler@alexa.com)",
    "Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; GPTBot/1.0; +https://openai.com/gptbot)",
    "Mozilla/5.0 (compatible; MJ12bot/v1.4.8; http://mj12bot.com/)",
    "Scrapy/2.11.0 (+https://scrapy.org)",
]


def spider_problems():
    problems = []
    text = datafmt.read_text(datafmt.data_path("spider.dat"))
    if "\n\n" in text or text.startswith("\n"):
        problems.append("spider.dat: blank line")
    items = datafmt.parse_delimited(text)
    for item in items:
        if len(item) < 4:
            problems.append("spider.dat: item %r too short" % item)
    if len(items) != len(set(items)):
        problems.append("spider.dat: an item is listed twice")
    if len(items) < 300:
        problems.append("spider.dat: only %d items" % len(items))
    for agent in make_spiders.browser_agents():
        hits = [s for s in items if s in agent]
        if hits:
            problems.append("spider.dat: %r marks a browser as spider: %s" % (hits[0], agent))
    for robot in ROBOTS:
        if not any(s in robot for s in items):
            problems.append("spider.dat: not caught: %s" % robot)
    return problems, len(items)


def error_problems():
    problems = []
    codes = []
    for n, line in enumerate(datafmt.read_whole_lines(datafmt.data_path("errors.dat")), 1):
        code, comma, description = line.partition(",")
        if not comma or not code.isdigit() or not description.strip():
            problems.append("errors.dat:%d: not code,description: %r" % (n, line))
            continue
        if not 400 <= int(code) <= 599:
            problems.append("errors.dat:%d: %s is not an error status" % (n, code))
        if description != description.strip():
            problems.append("errors.dat:%d: blanks around the description" % n)
        codes.append(int(code))
    if codes != sorted(set(codes)):
        problems.append("errors.dat: codes not ascending or listed twice")
    for required in (400, 401, 403, 404, 405, 410, 429, 500, 502, 503, 504):
        if required not in codes:
            problems.append("errors.dat: %d missing" % required)
    return problems, len(codes)


def graphics_problems():
    problems = []
    items = datafmt.read_delimited(datafmt.data_path("graphics.dat"))
    for item in items:
        if not item or item != item.lower() or "." in item or " " in item:
            problems.append("graphics.dat: %r is not a lower-case extension without dot" % item)
        # a visitor can leave the site on these, so they are pages
        if item in ("html", "htm", "php", "asp", "aspx", "jsp", "cgi", "pdf", "txt", "xml"):
            problems.append("graphics.dat: %r is a page" % item)
    if len(items) != len(set(items)):
        problems.append("graphics.dat: an item is listed twice")
    for required in ("gif", "jpg", "png", "css", "js", "ico"):
        if required not in items:
            problems.append("graphics.dat: %s missing" % required)
    return problems, len(items)


def strip_session_id(url, prefixes):
    for prefix in prefixes:
        for form in ("&" + prefix, "?" + prefix, "&amp;" + prefix):
            p = url.find(form)
            if p >= 0:
                q = url.find("&", p + 1)
                return url[:p] + url[q:] if q >= 0 else url[:p]
    return url


# url, url after the session parameter is removed
STRIP_CASES = [
    ("/shop.php?sid=12&item=3", "/shop.php&item=3"),
    ("/a.php?x=1&PHPSESSID=abc", "/a.php?x=1"),
    ("/a.php?x=1&amp;osCsid=12&amp;y=2", "/a.php?x=1&amp;y=2"),
    ("/c.cfm?CFID=1&CFTOKEN=2", "/c.cfm&CFTOKEN=2"),
    ("/land.html?gclid=abc", "/land.html?gclid=abc"),
    ("/find?s=shoes", "/find?s=shoes"),
    ("/page.html?considered=1", "/page.html?considered=1"),
    ("/page.html?utm_source=x", "/page.html?utm_source=x"),
]


def session_problems():
    problems = []
    items = datafmt.read_delimited(datafmt.data_path("sessionid.dat"))
    for item in items:
        if not item.endswith("=") or len(item) < 3:
            problems.append("sessionid.dat: %r is not a parameter name with =" % item)
        if item.lower() in ("gclid=", "s=", "q=", "p="):
            problems.append("sessionid.dat: %r is needed by search and paid-search detection" % item)
    if len(items) != len(set(items)):
        problems.append("sessionid.dat: an item is listed twice")
    for url, want in STRIP_CASES:
        got = strip_session_id(url, items)
        if got != want:
            problems.append("sessionid.dat: %s became %s, expected %s" % (url, got, want))
    return problems, len(items)


def main():
    problems = []
    counts = []
    for name, check in (("spider.dat", spider_problems), ("errors.dat", error_problems),
                        ("graphics.dat", graphics_problems), ("sessionid.dat", session_problems)):
        found, count = check()
        problems += found
        counts.append("%s %d" % (name, count))
    for p in problems:
        print(p)
    if problems:
        sys.exit("check_lists: %d problems" % len(problems))
    print("check_lists: %s: ok" % ", ".join(counts))


if __name__ == "__main__":
    main()
