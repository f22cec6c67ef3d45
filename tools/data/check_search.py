#!/usr/bin/env python3
"""Check data/search.dat: run the referrer pass of the analysis over sample
referrers and compare the engine and search terms it finds; check that no
referrer is credited to two records, that every record is reachable and that
no match text contains another one."""

import sys

import datafmt

# referrer, engine expected (None: not a search engine), terms expected
# (None: the engine is credited without terms)
CASES = [
    ("https://www.google.com/search?q=red+shoes&ie=UTF-8", "Google", "red shoes"),
    ("http://www.google.co.uk/search?hl=en&q=cheap%20flights&btnG=Search", "Google", "cheap flights"),
    ("https://www.google.de/", "Google", None),
    ("https://www.google.com/url?sa=t&rct=j&q=&esrc=s&source=web&cd=1", "Google", None),
    ("https://google.com/search?q=weather", "Google", "weather"),
    ("http://images.google.fr/imgres?imgurl=http://x.org/a.jpg&q=tour+eiffel", "Google", "tour eiffel"),
    ("https://news.google.com/search?q=election", "Google", "election"),
    ("android-app://com.google.android.googlequicksearchbox/https/www.google.com", "Google", None),
    ("https://scholar.google.com/scholar?hl=en&q=protein+folding", "Google Scholar", "protein folding"),
    ("https://www.bing.com/search?q=log+analyser&form=QBLH", "Bing", "log analyser"),
    ("https://bing.com/search?q=abc", "Bing", "abc"),
    ("https://cn.bing.com/search?q=%E4%B8%AD%E6%96%87", "Bing", "\u4e2d\u6587"),
    ("https://search.yahoo.com/search?p=garden+tools&fr=yfp", "Yahoo", "garden tools"),
    ("https://uk.search.yahoo.com/search?p=tea&fr=yfp-t", "Yahoo", "tea"),
    ("https://r.search.yahoo.com/_ylt=A0geK;_ylu=X3oD/RV=2/RE=1/RO=10/RU=https%3a%2f%2fexample.com%2f/RK=2/RS=x-", "Yahoo", None),
    ("https://search.yahoo.co.jp/search?p=%E6%9D%B1%E4%BA%AC", "Yahoo Japan", "\u6771\u4eac"),
    ("https://duckduckgo.com/?q=privacy+tools&t=h_", "DuckDuckGo", "privacy tools"),
    ("https://html.duckduckgo.com/html?q=lynx", "DuckDuckGo", "lynx"),
    ("https://duckduckgo.com/", "DuckDuckGo", None),
    ("https://yandex.ru/search/?text=%D0%BA%D0%BE%D1%82&lr=213", "Yandex", "\u043a\u043e\u0442"),
    ("https://yandex.com.tr/search/?text=kedi", "Yandex", "kedi"),
    ("http://www.yandex.ru/yandsearch?text=test", "Yandex", "test"),
    ("https://ya.ru/search/?text=hello", "Yandex", "hello"),
    ("https://www.baidu.com/s?ie=utf-8&wd=python", "Baidu", "python"),
    ("https://baidu.com/s?wd=java", "Baidu", "java"),
    ("https://m.baidu.com/s?word=phone", "Baidu", "phone"),
    ("http://wap.baidu.com/s?word=map", "Baidu", "map"),
    ("https://www.ecosia.org/search?q=trees", "Ecosia", "trees"),
    ("https://search.naver.com/search.naver?where=nexearch&query=kimchi", "Naver", "kimchi"),
    ("https://m.search.naver.com/search.naver?query=seoul", "Naver", "seoul"),
    ("https://search.seznam.cz/?q=praha", "Seznam", "praha"),
    ("https://www.ask.com/web?q=how+to+cook&qsrc=0", "Ask", "how to cook"),
    ("https://search.ask.com/web?q=maps", "Ask", "maps"),
    ("http://uk.ask.com/web?q=london", "Ask", "london"),
    ("https://search.aol.com/aol/search?q=news", "AOL", "news"),
    ("https://www.startpage.com/do/search?query=secure+mail", "Startpage", "secure mail"),
    ("https://startpage.com/sp/search?query=vpn", "Startpage", "vpn"),
    ("https://www.qwant.com/?q=velo&t=web", "Qwant", "velo"),
    ("https://lite.qwant.com/?q=train", "Qwant", "train"),
    ("https://search.brave.com/search?q=rust+book", "Brave Search", "rust book"),
    ("https://kagi.com/search?q=lisp", "Kagi", "lisp"),
    ("https://www.mojeek.com/search?q=independent", "Mojeek", "independent"),
    ("https://presearch.com/search?q=crypto", "Presearch", "crypto"),
    ("https://metager.org/meta/meta.ger3?eingabe=suche", "MetaGer", "suche"),
    ("https://metager.de/meta/meta.ger3?eingabe=wetter", "MetaGer", "wetter"),
    ("https://swisscows.com/web?query=alps", "Swisscows", "alps"),
    ("https://www.perplexity.ai/search?q=why+sky+blue", "Perplexity", "why sky blue"),
    ("https://yep.com/web?q=cats", "Yep", "cats"),
    ("https://www.sogou.com/web?query=abc", "Sogou", "abc"),
    ("https://www.so.com/s?q=360", "360 Search", "360"),
    ("https://search.daum.net/search?w=tot&q=busan", "Daum", "busan"),
    ("https://coccoc.com/search?query=hanoi", "Coc Coc", "hanoi"),
    ("https://go.mail.ru/search?q=moscow", "Mail.Ru", "moscow"),
    ("https://nova.rambler.ru/search?query=ural", "Rambler", "ural"),
    ("https://suche.web.de/web?q=bahn", "WEB.DE", "bahn"),
    ("https://suche.gmx.net/web?q=post", "GMX", "post"),
    ("https://suche.t-online.de/fast-cgi/tsc?q=fussball", "T-Online", "fussball"),
    ("http://search.msn.com/results.aspx?q=windows+xp&FORM=MSNH", "MSN Search", "windows xp"),
    ("http://search.msn.co.uk/results.aspx?q=uk", "MSN Search", "uk"),
    ("http://search.live.com/results.aspx?q=silverlight", "Live Search", "silverlight"),
    ("http://www.altavista.com/web/results?q=babel+fish", "AltaVista", "babel fish"),
    ("http://altavista.com/sites/search/web?q=x", "AltaVista", "x"),
    ("http://www.alltheweb.com/search?cat=web&q=fast", "AlltheWeb", "fast"),
    ("http://search.lycos.com/default.asp?query=dog&x=0", "Lycos", "dog"),
    ("http://www.hotbot.com/?query=hot", "HotBot", "hot"),
    ("http://www.teoma.com/search?q=expert", "Teoma", "expert"),
    ("http://www.webcrawler.com/search/web?q=spider", "WebCrawler", "spider"),
    ("https://www.dogpile.com/serp?q=fetch", "Dogpile", "fetch"),
    # image, mobile and regional hosts
    ("https://google.de/search?q=wetter", "Google", "wetter"),
    ("http://google.co.jp/search?q=sushi", "Google", "sushi"),
    ("https://books.google.com/books?id=x&q=whale", "Google", "whale"),
    ("http://video.google.com/videosearch?q=cats", "Google", "cats"),
    ("http://m.google.com/search?q=phone", "Google", "phone"),
    ("https://www.google.com/search?q=red+car&tbm=isch", "Google", "red car"),
    ("https://m.bing.com/search?q=mobile", "Bing", "mobile"),
    ("https://global.bing.com/search?q=world", "Bing", "world"),
    ("https://www.bing.com/images/search?q=sunset&form=HDRSC2", "Bing", "sunset"),
    ("https://images.search.yahoo.com/search/images?p=lake", "Yahoo", "lake"),
    ("https://m.search.yahoo.com/search?p=bus", "Yahoo", "bus"),
    ("https://image.search.yahoo.co.jp/search?p=%E7%8C%AB", "Yahoo Japan", "\u732b"),
    ("https://images.yandex.ru/search?text=%D0%BB%D0%B5%D1%81", "Yandex", "\u043b\u0435\u0441"),
    ("https://images.yandex.com/search?text=forest", "Yandex", "forest"),
    ("https://m.yandex.ru/search/?text=snow", "Yandex", "snow"),
    ("https://video.yandex.ru/search?text=ice", "Yandex", "ice"),
    ("https://yandex.ru/images/search?text=river", "Yandex", "river"),
    ("https://yandex.kz/search/touch/?text=steppe", "Yandex", "steppe"),
    ("https://image.baidu.com/search/index?tn=baiduimage&word=panda", "Baidu", "panda"),
    ("https://ecosia.org/search?q=leaf", "Ecosia", "leaf"),
    ("https://obrazky.seznam.cz/?q=hrad", "Seznam", "hrad"),
    ("https://pic.sogou.com/pics?query=tiger", "Sogou", "tiger"),
    ("https://m.so.com/s?q=rain", "360 Search", "rain"),
    ("https://image.so.com/i?q=moon", "360 Search", "moon"),
    ("https://m.search.daum.net/search?w=tot&q=jeju", "Daum", "jeju"),
    ("https://duckduckgo.com/?q=owl&iax=images&ia=images", "DuckDuckGo", "owl"),
    ("https://lite.duckduckgo.com/lite/?q=fox", "DuckDuckGo", "fox"),
    # the empty first value is skipped for the second one
    ("https://www.google.com/search?q=&q=shoes", "Google", "shoes"),
    ("https://www.google.com/search?q=&x=1", "Google", None),
    # addresses that must not count as a search
    ("https://mail.google.com/mail/u/0/", None, None),
    ("https://webcache.googleusercontent.com/search?q=cache:x", None, None),
    ("https://www.googleadservices.com/pagead/aclk?sa=L", None, None),
    ("https://accounts.google.com/", None, None),
    ("https://www.youtube.com/results?search_query=x", None, None),
    ("https://www.yahoo.com/", None, None),
    ("https://mail.yahoo.com/d/folders/1", None, None),
    ("https://example.com/out?u=https%3A%2F%2Fwww.google.com%2Fsearch%3Fq%3Dx", None, None),
    ("https://www.facebook.com/", None, None),
    ("https://t.co/abc123", None, None),
    ("https://www.reddit.com/r/webdev/", None, None),
    ("https://www.bingo.com/", None, None),
    ("https://www.ask.fm/user", None, None),
    ("https://espanol.search.yahooapis.com/", None, None),
    ("https://www.solo.com/", None, None),
    ("https://maps.yandex.ru.example.net/", None, None),
    ("https://ayandex.ru/", None, None),
    ("https://maps.google.com/maps?q=paris", None, None),
    ("https://translate.google.com/?text=hello", None, None),
    ("https://images.example.com/search?q=x", None, None),
    ("https://googleimages.example.org/?q=x", None, None),
]


def decode_terms(raw):
    """Blanks for '+', %XX decoded once, UTF-8 when valid, trimmed."""
    data = raw.replace("+", " ").encode("utf-8")
    out = bytearray()
    i = 0
    while i < len(data):
        if data[i] == 0x25:  # '%'
            pair = data[i + 1:i + 3]
            try:
                out.append(int(pair, 16) if len(pair) == 2 else 0)
            except ValueError:
                out.append(0)
            i += 3
        else:
            out.append(data[i])
            i += 1
    try:
        text = out.decode("utf-8")
    except UnicodeDecodeError:
        text = out.decode("cp1252", errors="replace")
    return text.strip(" ")


def query_value(referrer, parameter):
    slash = referrer.find("/", 7)
    if slash < 0:
        return None
    key = "&" + parameter + "="
    p = referrer.find(key, slash)
    if p >= 0 and referrer[p + len(key):p + len(key) + 1] == "&":
        p = referrer.find(key, p + 2)
    if p < 0:
        p = referrer.find("?" + parameter + "=", slash)
    if p < 0:
        return None
    end = referrer.find("&", p + 1)
    value = referrer[p + len(parameter) + 2:end if end >= 0 else len(referrer)]
    return decode_terms(value.strip(" "))


def run(records, referrer):
    """(names of every crediting record, engine that yielded terms, terms)."""
    credited = []
    low = referrer.lower()
    for name, match, parameter in records:
        if match.lower() not in low:
            continue
        credited.append(name)
        terms = query_value(referrer, parameter)
        if terms:
            return credited, name, terms
    return credited, (credited[0] if credited else None), None


def main():
    records = datafmt.read_records(datafmt.data_path("search.dat"), 3)
    problems = []
    names = {r[0] for r in records}
    if "Google" not in names:
        problems.append('no engine named "Google"')
    if ("Google AdWords", "!internal") not in {(r[0], r[1]) for r in records}:
        problems.append('no "Google AdWords","!internal" record')
    for name, match, parameter in records:
        if not name or not match or not parameter:
            problems.append("empty item in %r" % ((name, match, parameter),))
        if match != "!internal" and not (match.startswith("://") or match.startswith(".")):
            problems.append("match text %r is not anchored" % match)
    texts = [r[1].lower() for r in records]
    for a in texts:
        for b in texts:
            if a is not b and a in b:
                problems.append("match text %r lies inside %r" % (a, b))
    if len(texts) != len(set(texts)):
        problems.append("a match text is listed twice")

    used = set()
    for referrer, want_engine, want_terms in CASES:
        credited, engine, terms = run(records, referrer)
        if len(credited) > 1:
            problems.append("%s: credited to %s" % (referrer, ", ".join(credited)))
        if (engine, terms) != (want_engine, want_terms):
            problems.append("%s: expected %s / %r, got %s / %r"
                            % (referrer, want_engine, want_terms, engine, terms))
        low = referrer.lower()
        used.update(r[1] for r in records if r[1].lower() in low)
    unused = [r[1] for r in records if r[1] not in used and r[1] != "!internal"]
    if unused:
        problems.append("no sample referrer for %s" % ", ".join(unused))
    if len(names) < 25:
        problems.append("only %d engines" % len(names))

    for p in problems:
        print(p)
    if problems:
        sys.exit("check_search: %d problems" % len(problems))
    print("check_search: %d records, %d engines, %d referrers: ok"
          % (len(records), len(names), len(CASES)))


if __name__ == "__main__":
    main()
