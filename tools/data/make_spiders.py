#!/usr/bin/env python3
"""Write data/spider.dat from crawler-user-agents.json.

usage: make_spiders.py CRAWLER_USER_AGENTS_JSON

The upstream list holds regular expressions; the analysis only tests
whether a user agent contains a text (case-sensitive). Each pattern is
turned into plain texts: alternatives and small character classes such as
[wW] are spelled out, anything else that is not literal (\\d, .*, [^-])
splits the pattern, and of each alternative the longest literal run is kept.
A text is dropped when it is shorter than four characters or when a real
browser's user agent contains it, since every request of such a browser
would then count as a spider. Texts that contain another kept text are
redundant and left out.
"""

import json
import os
import sys

import datafmt

# Fragments of our own that most robots carry in their names or contact links.
GENERIC = [
    "bot/", "Bot/", "bot.", "robot", "Robot", "crawl", "Crawl", "spider", "Spider",
    "Slurp", "+http", "HeadlessChrome", "PhantomJS",
]

# Real browser user agents that no spider text may match, in addition to the
# cases of tests/config/user_agents.tsv. They cover names that robot lists
# tend to hold: phone makers, Amazon Silk, Sogou, Java-based clients.
BROWSER_AGENTS = [
    "Mozilla/5.0 (Linux; Android 9; KFTRWI) AppleWebKit/537.36 (KHTML, like Gecko) Silk/119.3.1 like Chrome/119.0.6045.193 Safari/537.36",
    "Mozilla/5.0 (Linux; U; Android 4.0.3; en-us; KFTT Build/IML74K) AppleWebKit/535.19 (KHTML, like Gecko) Silk/3.4 Mobile Safari/535.19 Silk-Accelerated=true",
    "Mozilla/5.0 (Linux; Android 10; Cubot P40) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Mobile Safari/537.36",
    "Mozilla/5.0 (Linux; Android 9; CUBOT_X19) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/110.0.0.0 Mobile Safari/537.36",
    "Mozilla/5.0 (Linux; Android 11; KINGKONG 7) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/119.0.0.0 Mobile Safari/537.36",
    "Mozilla/5.0 (Linux; U; Android 10; zh-CN; V2001A Build/QP1A.190711.020) AppleWebKit/537.36 (KHTML, like Gecko) Version/4.0 Chrome/78.0.3904.108 SogouMobileBrowser/5.22.8 Mobile Safari/537.36",
    "Mozilla/5.0 (Windows NT 10.0; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/58.0.3029.81 Safari/537.36 SE 2.X MetaSr 1.0",
    "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/86.0.4240.198 Safari/537.36 QIHU 360EE",
    "Mozilla/5.0 (Linux; Android 13; 2201117TY Build/TKQ1.221114.001) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.6099.144 Mobile Safari/537.36 XiaoMi/MiuiBrowser/14.7.10",
    "Mozilla/5.0 (Linux; Android 12; HarmonyOS; NOH-AN00; HMSCore 6.12.0.302) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/99.0.4844.88 HuaweiBrowser/14.0.2.311 Mobile Safari/537.36",
    "Mozilla/5.0 (Linux; Android 10; SM-A505F) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Mobile Safari/537.36 [FB_IAB/FB4A;FBAV/443.0.0.35.89;]",
    "Mozilla/5.0 (iPhone; CPU iPhone OS 17_1 like Mac OS X) AppleWebKit/605.1.15 (KHTML, like Gecko) Mobile/15E148 Instagram 309.0.0.28.110 (iPhone14,5; iOS 17_1; en_US; en; scale=3.00; 1170x2532; 539946336)",
    "Mozilla/5.0 (iPhone; CPU iPhone OS 17_1 like Mac OS X) AppleWebKit/605.1.15 (KHTML, like Gecko) GSA/291.0.584797484 Mobile/15E148 Safari/604.1",
    "Mozilla/5.0 (Linux; Android 13; SM-S918B) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Mobile Safari/537.36 Line/13.20.0",
    "Mozilla/5.0 (Linux; Android 10; HRY-LX1 Build/HONORHRY-L21; wv) AppleWebKit/537.36 (KHTML, like Gecko) Version/4.0 Chrome/83.0.4103.106 Mobile Safari/537.36 YandexSearch/11.10",
    "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Safari/537.36 OPR/106.0.0.0 (Edition Yx 05)",
    "Mozilla/5.0 (SMART-TV; Linux; Tizen 6.0) AppleWebKit/537.36 (KHTML, like Gecko) SamsungBrowser/4.0 Chrome/76.0.3809.146 TV Safari/537.36",
    "Mozilla/5.0 (Web0S; Linux/SmartTV) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/87.0.4280.88 Safari/537.36 WebAppManager",
    "Mozilla/5.0 (PlayStation; PlayStation 5/2.26) AppleWebKit/605.1.15 (KHTML, like Gecko) Version/13.0 Safari/605.1.15",
    "Mozilla/5.0 (Nintendo Switch; WifiWebAuthApplet) AppleWebKit/606.4 (KHTML, like Gecko) NF/6.0.1.15.4 NintendoBrowser/5.1.0.20393",
    "Mozilla/5.0 (Mobile; rv:48.0; A405DL) Gecko/48.0 Firefox/48.0 KAIOS/2.5",
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64; Xbox; Xbox One) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Safari/537.36 Edge/44.18363.8131",
    "Mozilla/5.0 (Linux; Android 7.0; SAMSUNG SM-G930F Build/NRD90M) AppleWebKit/537.36 (KHTML, like Gecko) SamsungBrowser/5.4 Chrome/51.0.2704.106 Mobile Safari/537.36",
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Safari/537.36 Edg/120.0.0.0 Avast/120.0.0.0",
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Safari/537.36 Whale/3.24.223.21",
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Safari/537.36 Config/91.2.3711.12",
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/104.0.5112.102 Safari/537.36 OPR/90.0.4480.84 (Edition Campaign 34)",
    "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, like Gecko) Version/16.1 Safari/605.1.15 DuckDuckGo/7",
    "Mozilla/5.0 (iPhone; CPU iPhone OS 16_6 like Mac OS X) AppleWebKit/605.1.15 (KHTML, like Gecko) Version/16.6 Mobile/15E148 DuckDuckGo/7 Safari/605.1.15",
    "Mozilla/5.0 (Linux; Android 12; moto g(60)) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Mobile Safari/537.36",
    "Mozilla/5.0 (Linux; Android 11; Redmi Note 8 Pro) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Mobile Safari/537.36",
    "Mozilla/5.0 (Linux; Android 13; ONEPLUS A6013) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Mobile Safari/537.36",
    "Mozilla/5.0 (Linux; Android 10; TECNO KE5) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Mobile Safari/537.36",
    "Mozilla/5.0 (Linux; Android 11; Infinix X6810) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Mobile Safari/537.36",
    "Mozilla/5.0 (Linux; Android 8.1.0; vivo 1811) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Mobile Safari/537.36",
    "Mozilla/5.0 (Linux; Android 9; Nokia 6.1 Plus) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Mobile Safari/537.36",
    "Mozilla/5.0 (Linux; Android 10; Blackview BV9900) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Mobile Safari/537.36",
    "Mozilla/5.0 (Linux; Android 12; Pixel 6 Pro) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Mobile Safari/537.36",
    "Mozilla/5.0 (Linux; Android 11; ZTE Blade A7P) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Mobile Safari/537.36",
    "Mozilla/5.0 (Linux; Android 10; ASUS_I01WD) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Mobile Safari/537.36",
    "Mozilla/5.0 (Linux; Android 9; LM-X420) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Mobile Safari/537.36",
    "Mozilla/5.0 (Linux; Android 10; Lenovo TB-X606F) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Safari/537.36",
    "Mozilla/5.0 (Linux; Android 7.0; Alcatel 5044R) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Mobile Safari/537.36",
    "Mozilla/5.0 (Linux; Android 12; CPH2219) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Mobile Safari/537.36",
    "Mozilla/5.0 (Linux; Android 10; Mi 9T Pro) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Mobile Safari/537.36",
    "Mozilla/5.0 (Linux; Android 10; HUAWEI P30 Pro) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Mobile Safari/537.36",
    "Mozilla/5.0 (Linux; Android 6.0; Lenovo K50a40 Build/MRA58K) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Mobile Safari/537.36",
    "Opera/9.80 (J2ME/MIDP; Opera Mini/4.2.14912/870; U; id) Presto/2.4.15",
    # a Java applet's own requests, made inside a visitor's browser
    "Mozilla/4.0 (Windows 7 6.1) Java/1.7.0_51",
    "NokiaN70-1/5.0737.3.0.1 Series60/2.8 Profile/MIDP-2.0 Configuration/CLDC-1.1",
    "SAMSUNG-SGH-E250/1.0 Profile/MIDP-2.0 Configuration/CLDC-1.1 UP.Browser/6.2.3.3.c.1.101 (GUI) MMP/2.0",
    "BlackBerry8520/5.0.0.681 Profile/MIDP-2.1 Configuration/CLDC-1.1 VendorID/600",
    "Mozilla/5.0 (Linux; U; Android 2.2; en-us; Nexus One Build/FRF91) AppleWebKit/533.1 (KHTML, like Gecko) Version/4.0 Mobile Safari/533.1",
]

TSV = os.path.join(datafmt.ROOT, "tests", "config", "user_agents.tsv")


def browser_agents():
    agents = list(BROWSER_AGENTS)
    if os.path.exists(TSV):
        with open(TSV, encoding="utf-8") as f:
            agents += [line.rstrip("\r\n").split("\t")[2] for line in f if line.strip()]
    return agents


# --- regular expressions to literal texts -----------------------------------
#
# A parsed pattern is a list of alternatives; an alternative is a tuple of
# literal runs, where the boundary between two runs stands for something that
# is not literal.

BREAK = ("", "")
NOTHING = ("",)
MAX_ALTERNATIVES = 64
MAX_CLASS = 4


class Parser:
    def __init__(self, pattern):
        self.p = pattern
        self.i = 0

    def peek(self):
        return self.p[self.i] if self.i < len(self.p) else None

    def take(self):
        c = self.p[self.i]
        self.i += 1
        return c

    def parse(self):
        result = self.alternation()
        if self.i != len(self.p):
            raise ValueError("unbalanced ) in %r" % self.p)
        return result

    def alternation(self):
        branches = [self.sequence()]
        while self.peek() == "|":
            self.take()
            branches.append(self.sequence())
        out = []
        for b in branches:
            out.extend(b)
        return out

    def sequence(self):
        alts = [NOTHING]
        while self.peek() not in (None, "|", ")"):
            atom = self.quantified(self.atom())
            alts = join(alts, atom)
        return alts

    def atom(self):
        c = self.take()
        if c == "(":
            if self.p.startswith("?:", self.i):
                self.i += 2
            inner = self.alternation()
            if self.peek() != ")":
                raise ValueError("unbalanced ( in %r" % self.p)
            self.take()
            return inner
        if c == "[":
            return self.char_class()
        if c in "^$":
            return [NOTHING]
        if c == ".":
            return [BREAK]
        if c == "\\":
            e = self.take()
            if e == "b" or e == "B":
                return [NOTHING]
            if e.isalnum():  # \d \s \S \w and the like
                return [BREAK]
            return [(e,)]
        return [(c,)]

    def char_class(self):
        chars = []
        negated = self.peek() == "^"
        if negated:
            self.take()
        literal = not negated
        while True:
            c = self.take()
            if c == "]":
                break
            if c == "\\":
                e = self.take()
                if e.isalnum():
                    literal = False
                chars.append(e)
            elif c == "-" and chars and self.peek() != "]":
                literal = False  # a range
                chars.append(self.take())
            else:
                chars.append(c)
        if not literal or len(set(chars)) > MAX_CLASS:
            return [BREAK]
        return [(c,) for c in dict.fromkeys(chars)]

    def quantified(self, atom):
        q = self.peek()
        if q in ("?", "*"):
            self.take()
            self.lazy()
            return [BREAK]
        if q == "+":
            self.take()
            self.lazy()
            return join(atom, [BREAK])
        if q == "{":
            end = self.p.index("}", self.i)
            self.i = end + 1
            self.lazy()
            return [BREAK]
        return atom

    def lazy(self):
        if self.peek() == "?":
            self.take()


def join(left, right):
    out = []
    for a in left:
        for b in right:
            out.append(a[:-1] + (a[-1] + b[0],) + b[1:])
    if len(out) > MAX_ALTERNATIVES:
        raise ValueError("too many alternatives")
    return out


def pattern_texts(pattern):
    """The plain texts that stand for a pattern, longest run per alternative."""
    texts = []
    for alternative in Parser(pattern).parse():
        best = max((run.strip() for run in alternative), key=len)
        if best not in texts:
            texts.append(best)
    return texts


# --- the list ---------------------------------------------------------------

def build(entries, agents):
    """(kept texts, report of dropped texts) for the upstream entries."""
    dropped = {"short": [], "browser": [], "unreadable": []}
    candidates = list(GENERIC)
    for entry in entries:
        try:
            texts = pattern_texts(entry["pattern"])
        except (ValueError, IndexError):
            dropped["unreadable"].append(entry["pattern"])
            continue
        for t in texts:
            if len(t) < 4:
                dropped["short"].append(t)
            elif any(t in a for a in agents):
                dropped["browser"].append(t)
            elif t not in candidates:
                candidates.append(t)
    for t in GENERIC:
        hit = [a for a in agents if t in a]
        if hit:
            raise SystemExit("generic fragment %r is in a browser user agent: %s" % (t, hit[0]))
    kept = [t for t in candidates
            if not any(o != t and o in t for o in candidates)]
    return kept, dropped


def main(argv):
    if len(argv) != 2:
        sys.exit(__doc__)
    with open(argv[1], encoding="utf-8") as f:
        entries = json.load(f)
    kept, dropped = build(entries, browser_agents())
    # each upstream example must still be caught, except for dropped patterns
    missed = []
    for entry in entries:
        for instance in entry.get("instances", []):
            if not any(t in instance for t in kept):
                missed.append(instance)
    datafmt.write_records(datafmt.data_path("spider.dat"), kept)
    print("spider.dat: %d texts from %d patterns" % (len(kept), len(entries)))
    for why, texts in dropped.items():
        if texts:
            print("  dropped (%s): %s" % (why, ", ".join(sorted(set(texts)))))
    print("  upstream examples not caught: %d" % len(missed))
    for m in missed[:40]:
        print("    " + m)


if __name__ == "__main__":
    main(sys.argv)
