#!/usr/bin/env python3
"""Write data/browser.dat: browser and operating-system records.

Every record is tried against a user agent and a later match overwrites the
name an earlier one set, so each list runs from generic to specific: a
Chrome user agent also says "Safari/" and "like Gecko", Edge and Opera also
say "Chrome/", Android says "Linux", iOS says "like Mac OS X", and Windows
Phone 8.1 and 10 say "Android" and "iPhone OS" as well.

A match string cannot hold a comma, and no line may end in a comma (an
empty match string is contained in every user agent).
"""

import datafmt

BROWSERS = [
    # Gecko engine without a better-known brand: the old Mozilla suite
    ("Mozilla", ["Gecko/"]),
    ("Netscape", ["Netscape/", "Netscape6/"]),
    # WebKit; Chrome, Android and most others below also say Safari/
    ("Safari", ["Safari/"]),
    ("Android Browser", ["Linux; U; Android"]),
    ("Konqueror", ["Konqueror/"]),
    ("Chrome", ["Chrome/", "CriOS/"]),
    # Chromium-based brands, all of which also say Chrome/
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
    ("Internet Explorer 5", ["MSIE 5."]),
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
    # Opera 8 and older pretend to be IE, Opera 15 and newer to be Chrome
    ("Opera", ["Opera ", "Opera/", "OPR/", "OPiOS/", "OPT/"]),
    ("Opera Mini", ["Opera Mini"]),
    ("Lynx", ["Lynx/"]),
]

SYSTEMS = [
    ("Linux", ["Linux", "X11"]),
    ("Android", ["Android"]),
    ("ChromeOS", ["X11; CrOS"]),
    ("FreeBSD", ["FreeBSD"]),
    ("OpenBSD", ["OpenBSD"]),
    ("NetBSD", ["NetBSD"]),
    ("Solaris", ["SunOS"]),
    ("BlackBerry", ["BlackBerry", "BB10;"]),
    ("Symbian", ["Symbian", "SymbOS"]),
    ("Windows (all)", ["Windows", "Win9", "WinNT"]),
    ("Windows 95", ["Windows 95", "Win95"]),
    ("Windows 98", ["Windows 98", "Win98"]),
    # Windows ME says "Windows 98; Win 9x 4.90"
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
    ("macOS", ["Mac OS X", "Macintosh", "Mac_PowerPC", "Mac_PPC"]),
    ("iOS", ["iPhone", "iPad", "iPod", "like Mac OS X"]),
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
