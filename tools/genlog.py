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

Usage:
    python3 tools/genlog.py --lines N --seed S [--days D] [--start 2026-11-02]
                            [--tz +0100] [--gzip] -o FILE
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
        pool = len(self.hosts)
        idx = int(pool * rnd() ** 1.4)
        host = self.hosts[idx]
        if self.shared[idx]:
            ai = R.choices(range(len(self.agents)), cum_weights=self.agent_cum)[0]
        else:
            ai = self.host_agent[idx]
        ua = self.agents[ai]
        ios = self.agent_ios[ai]
        returning = self.visited[idx]
        self.visited[idx] = 1
        proto = "HTTP/2.0" if ("Chrome/1" in ua or "Firefox/13" in ua or "Version/1" in ua) and rnd() < 0.45 else "HTTP/1.1"
        base = R.choice(["https://www.example.com", "https://www.example.com", "https://www.example.com",
                         "https://www.example.com", "http://example.com", "https://example.com",
                         "http://www.example.com"])
        sid = None
        if rnd() < 0.12:
            token = f"{R.getrandbits(128):032x}" if rnd() < 0.6 else f"{R.getrandbits(48):012x}"
            sid = ("PHPSESSID=" if rnd() < 0.6 else "sid=") + token

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
            ref = base + self.pick_page(None).url
        page = self.entry_page()
        if rnd() < 0.015:
            # An old bookmark or link: redirected, then the real page with the same referrer.
            emit(t, host, "GET", R.choice(site.redirects), 301, R.randint(228, 260), ref, ua, proto)
            t += 1
            page = site.home
        n_pages = 0
        last_url = None
        while True:
            url = page.url
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
                        for aurl, _ in site.common:
                            if rnd() < 0.55:
                                tt += int(rnd() < 0.4)
                                emit(tt, host, "GET", aurl, 304, "-", here, ua, proto)
                    else:
                        for aurl, asize in site.common:
                            tt += int(rnd() < 0.4)
                            emit(tt, host, "GET", aurl, 200, asize, here, ua, proto)
                    if ios and rnd() < 0.35:
                        emit(tt, host, "GET", "/apple-touch-icon-precomposed.png", 404, 209, "-", ua, proto)
                        emit(tt, host, "GET", "/apple-touch-icon.png", 404, 209, "-", ua, proto)
                elif rnd() < 0.05:
                    emit(tt, host, "GET", site.common[0][0], 304, "-", here, ua, proto)
                for aurl, asize in page.assets:
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
            if page is site.thanks or n_pages >= 40 or rnd() > 0.70:
                break
            page = self.pick_page(page)
        return t

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


def parse_args(argv):
    ap = argparse.ArgumentParser(description="Write a seeded, realistic access log (Apache combined format).")
    ap.add_argument("--lines", type=int, required=True, help="number of lines to write")
    ap.add_argument("--seed", type=int, required=True, help="random seed; same seed, same bytes")
    ap.add_argument("--days", type=int, default=7, help="days covered (default 7)")
    ap.add_argument("--start", default="2026-11-02", help="first day, yyyy-mm-dd (default 2026-11-02)")
    ap.add_argument("--tz", default="+0100", help="time-zone field of every line (default +0100)")
    ap.add_argument("--gzip", action="store_true", help="write gzip-compressed output")
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
    gen = Generator(a.lines, a.seed, a.days, a.start, a.tz)
    raw = sys.stdout.buffer if a.output == "-" else open(a.output, "wb")
    try:
        if a.gzip:
            # No file name and a zero time stamp in the header keep the bytes reproducible.
            sink = gzip.GzipFile(filename="", mode="wb", fileobj=raw, compresslevel=6, mtime=0)
        else:
            sink = raw
        if a.lines:
            gen.run(sink.write)
        if a.gzip:
            sink.close()
    finally:
        if raw is not sys.stdout.buffer:
            raw.close()
        else:
            raw.flush()
    return 0


if __name__ == "__main__":
    sys.exit(main())
