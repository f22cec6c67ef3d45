#!/usr/bin/env python3
"""Write data/browser.dat: browser and operating-system records.

Every record is tried against a user agent, every matching record counts a
visitor, and a later match overwrites the name an earlier one set. So each
record's match strings are chosen to match what its name says and nothing
else: a Chrome user agent also says "Safari/" and "like Gecko", Edge and
Opera also say "Chrome/", Android says "Linux", iOS says "like Mac OS X",
and Windows Phone 8.1 and 10 say "Android" and "iPhone OS" as well. Where a
brand only appends its token to another browser's user agent (Edge, Opera,
Vivaldi and Yandex after Chrome's; SeaMonkey and Pale Moon after Firefox's)
no substring can tell the two apart, and both records count; the later one
names the visitor.

A match string cannot hold a comma, and no line may end in a comma (an
empty match string is contained in every user agent).
"""

import datafmt

# Safari's own user agents say "(KHTML, like Gecko) Version/<its version>"
# followed by "Safari/" (desktop) or "Mobile/" (iOS); the Android browser,
# WebView and UC Browser say "Version/4.0" followed by other words.
SAFARI = (["Gecko) Version/3.", "Gecko) Version/4.0.", "Gecko) Version/4.0 Mobile/", "Gecko) Version/4.1"] +
          ["Gecko) Version/%d." % major for major in range(5, 10)] +
          ["Gecko) Version/1", "Gecko) Version/2"])

BROWSERS = [
    # the Mozilla suite (Gecko 1.4 to 1.7); Firefox 1.0 shared its rv: numbers
    ("Mozilla", ["; rv:1.4", "; rv:1.5", "; rv:1.6", "; rv:1.7"]),
    ("Netscape", ["Netscape/", "Netscape6/"]),
    ("Safari", SAFARI),
    ("Android Browser", ["Version/4.0 Mobile Safari/"]),
    ("Konqueror", ["Konqueror/"]),
    ("Nokia Browser", ["NokiaBrowser/"]),
    # Chrome writes its token right after the engine's "(KHTML, like Gecko)";
    # Samsung Internet, WebView, UC Browser, Silk and Chromium put their own
    # word there
    ("Chrome", ["Gecko) Chrome/", "CriOS/"]),
    ("Chromium", ["Chromium/"]),
    ("Android WebView", ["; wv)"]),
    ("Yandex Browser", ["YaBrowser/"]),
    ("Vivaldi", ["Vivaldi/"]),
    ("Samsung Internet", ["SamsungBrowser/"]),
    ("UC Browser", ["UCBrowser/", "UCWEB"]),
    ("Amazon Silk", ["Silk/"]),
    ("Edge", ["Edg/", "EdgA/", "EdgiOS/", "Edge/"]),
    # Internet Explorer; compatibility view says MSIE 7.0 but keeps the real
    # Trident version, so the Trident records come later and win
    ("Internet Explorer (all)", ["MSIE ", "Trident/"]),
    ("Internet Explorer 4", ["MSIE 4."]),
    ("Internet Explorer 5", ["MSIE 5.0", "MSIE 5.1", "MSIE 5.2"]),
    ("Internet Explorer 5.5", ["MSIE 5.5"]),
    ("Internet Explorer 6", ["MSIE 6."]),
    ("Internet Explorer 7", ["MSIE 7."]),
    ("Internet Explorer 8", ["MSIE 8.", "Trident/4.0"]),
    ("Internet Explorer 9", ["MSIE 9.", "Trident/5.0"]),
    ("Internet Explorer 10", ["MSIE 10.", "Trident/6.0"]),
    ("Internet Explorer 11", ["Trident/7.0", "rv:11.0) like Gecko"]),
    ("IE Mobile", ["IEMobile"]),
    ("Firefox", ["Firefox/", "FxiOS/"]),
    ("SeaMonkey", ["SeaMonkey/"]),
    ("Pale Moon", ["PaleMoon/"]),
    # Opera 8 and older pretend to be IE, Opera 15 and newer to be Chrome;
    # Presto-era Opera says "Opera/9.80 (<system>", Opera Mini "(J2ME" or
    # "(Android; Opera Mini"
    ("Opera", ["Opera 5", "Opera 6", "Opera 7", "Opera 8", "Opera 9", "Opera/5", "Opera/6", "Opera/7",
               "Opera/8", "Opera/9.0", "Opera/9.1", "Opera/9.2", "Opera/9.5", "Opera/9.6",
               "Opera/9.80 (W", "Opera/9.80 (X", "Opera/9.80 (M", "Opera Mobi/",
               "OPR/", "OPiOS/", "OPT/"]),
    ("Opera Mini", ["Opera Mini"]),
    ("Lynx", ["Lynx/"]),
]

SYSTEMS = [
    # desktop Linux only: Android, ChromeOS and the BSDs also say Linux or X11
    ("Linux", ["X11; Linux", "X11; U; Linux", "X11; Ubuntu", "X11; Fedora", "X11; Arch", "; Linux)",
               "Linux x86_64", "Linux i686"]),
    # Windows Phone 8.1 and 10 say "; Android" after their own name
    ("Android", ["Linux; Android", "Linux; U; Android", "(Android"]),
    ("ChromeOS", ["X11; CrOS"]),
    ("FreeBSD", ["FreeBSD"]),
    ("OpenBSD", ["OpenBSD"]),
    ("NetBSD", ["NetBSD"]),
    ("Solaris", ["SunOS"]),
    ("BlackBerry", ["BlackBerry", "BB10;"]),
    ("Symbian", ["Symbian", "SymbOS"]),
    ("Windows (all)", ["Windows", "Win9", "WinNT"]),
    ("Windows 95", ["Windows 95", "Win95"]),
    # Windows ME says "Windows 98; Win 9x 4.90"
    ("Windows 98", ["Windows 98)", "Windows 98; D", "Windows 98; U", "Windows 98; .", "Win98"]),
    ("Windows ME", ["Win 9x 4.90", "Windows ME"]),
    ("Windows NT 4.0", ["Windows NT 4.0", "Windows NT;", "Windows NT)", "WinNT4.0", "WinNT;"]),
    ("Windows 2000", ["Windows NT 5.0", "Windows 2000"]),
    ("Windows XP", ["Windows NT 5.1", "Windows XP"]),
    ("Windows Server 2003/XP x64", ["Windows NT 5.2"]),
    ("Windows Vista", ["Windows NT 6.0"]),
    ("Windows 7", ["Windows NT 6.1"]),
    ("Windows 8", ["Windows NT 6.2"]),
    ("Windows 8.1", ["Windows NT 6.3"]),
    # Windows 11 still says NT 10.0
    ("Windows 10/11", ["Windows NT 10.0"]),
    ("Windows CE", ["Windows CE"]),
    # iOS says "like Mac OS X"; the Mac says "Macintosh"
    ("macOS", ["Macintosh", "Mac_PowerPC", "Mac_PPC"]),
    # Windows Phone 8.1 says "like iPhone OS": iOS by the device that opens the brackets
    ("iOS", ["(iPhone", "(iPad", "(iPod"]),
    ("Windows Phone", ["Windows Phone"]),
]


def record_line(name, matches, is_os):
    if "," in name or name.startswith("*") or not matches:
        raise ValueError("bad record name: %r" % name)
    for m in matches:
        if m == "" or "," in m:
            raise ValueError("bad match string in %s: %r" % (name, m))
    line = ("*" if is_os else "") + name + "," + ",".join(matches)
    if line != line.rstrip():
        raise ValueError("line ends in a blank, which editors strip: %r" % line)
    return line


def lines():
    return ([record_line(n, m, False) for n, m in BROWSERS] +
            [record_line(n, m, True) for n, m in SYSTEMS])


def main():
    out = lines()
    datafmt.write_lines(datafmt.data_path("browser.dat"), out)
    print("browser.dat: %d browser and %d operating-system records" % (len(BROWSERS), len(SYSTEMS)))


if __name__ == "__main__":
    main()
