#!/usr/bin/env python3
"""Write data/search.dat: search engines, the text that finds them in a
referrer, and the query parameter that holds the search terms.

The lower-cased referrer is searched for the lower-cased match text, and
every matching record credits its engine, so no two match texts may both
occur in one referrer. Each text is therefore anchored: "://" before a host
name that starts the host, or "." before a host name that only ends it.
That also keeps mail.google.*, googleusercontent.com and URL-encoded copies
of a search address (%3a%2f%2f) from counting.
"""

import datafmt

ENGINES = [
    ("Google", "://www.google.", "q"),
    # google.com and the regional hosts without "www."
    ("Google", "://google.", "q"),
    ("Google", "://images.google.", "q"),
    ("Google", "://news.google.", "q"),
    ("Google", "://books.google.", "q"),
    ("Google", "://video.google.", "q"),
    ("Google", "://m.google.", "q"),
    # the Google app on Android sends this as its referrer
    ("Google", "://com.google.android.googlequicksearchbox", "q"),
    # not matched against referrers: the engine that paid-search visits
    # (a gclid in the landing page) are credited to
    ("Google AdWords", "!internal", "q"),
    ("Google Scholar", "://scholar.google.", "q"),
    ("Bing", "://www.bing.com/", "q"),
    ("Bing", "://bing.com/", "q"),
    ("Bing", "://cn.bing.com/", "q"),
    ("Bing", "://m.bing.com/", "q"),
    ("Bing", "://global.bing.com/", "q"),
    ("Yahoo", "://search.yahoo.com/", "p"),
    ("Yahoo", ".search.yahoo.com/", "p"),
    ("Yahoo Japan", "://search.yahoo.co.jp/", "p"),
    # image.search.yahoo.co.jp, video.search.yahoo.co.jp
    ("Yahoo Japan", ".search.yahoo.co.jp/", "p"),
    ("DuckDuckGo", "://duckduckgo.com/", "q"),
    ("DuckDuckGo", ".duckduckgo.com/", "q"),
    ("Yandex", "://yandex.", "text"),
    ("Yandex", "://www.yandex.", "text"),
    ("Yandex", "://ya.ru/", "text"),
    ("Yandex", "://images.yandex.", "text"),
    ("Yandex", "://m.yandex.", "text"),
    ("Yandex", "://video.yandex.", "text"),
    ("Baidu", "://www.baidu.com/", "wd"),
    ("Baidu", "://baidu.com/", "wd"),
    ("Baidu", "://m.baidu.com/", "word"),
    ("Baidu", "://wap.baidu.com/", "word"),
    ("Baidu", "://image.baidu.com/", "word"),
    ("Ecosia", "://www.ecosia.org/", "q"),
    ("Ecosia", "://ecosia.org/", "q"),
    ("Naver", "://search.naver.com/", "query"),
    ("Naver", ".search.naver.com/", "query"),
    ("Seznam", "://search.seznam.cz/", "q"),
    ("Seznam", "://obrazky.seznam.cz/", "q"),
    ("Ask", "://www.ask.com/", "q"),
    ("Ask", "://search.ask.com/", "q"),
    ("Ask", "://uk.ask.com/", "q"),
    ("AOL", "://search.aol.", "q"),
    ("Startpage", "://www.startpage.com/", "query"),
    ("Startpage", "://startpage.com/", "query"),
    ("Qwant", "://www.qwant.com/", "q"),
    ("Qwant", "://lite.qwant.com/", "q"),
    ("Brave Search", "://search.brave.com/", "q"),
    ("Kagi", "://kagi.com/", "q"),
    ("Mojeek", "://www.mojeek.com/", "q"),
    ("Presearch", "://presearch.com/", "q"),
    ("MetaGer", "://metager.org/", "eingabe"),
    ("MetaGer", "://metager.de/", "eingabe"),
    ("Swisscows", "://swisscows.com/", "query"),
    ("Perplexity", "://www.perplexity.ai/", "q"),
    ("Yep", "://yep.com/", "q"),
    ("Sogou", "://www.sogou.com/", "query"),
    ("Sogou", "://pic.sogou.com/", "query"),
    ("360 Search", "://www.so.com/", "q"),
    ("360 Search", "://m.so.com/", "q"),
    ("360 Search", "://image.so.com/", "q"),
    ("Daum", "://search.daum.net/", "q"),
    ("Daum", "://m.search.daum.net/", "q"),
    ("Coc Coc", "://coccoc.com/", "query"),
    ("Mail.Ru", "://go.mail.ru/", "q"),
    ("Rambler", "://nova.rambler.ru/", "query"),
    ("WEB.DE", "://suche.web.de/", "q"),
    ("GMX", "://suche.gmx.net/", "q"),
    ("T-Online", "://suche.t-online.de/", "q"),
    # engines of older logs
    ("MSN Search", "://search.msn.", "q"),
    ("Live Search", "://search.live.com/", "q"),
    ("AltaVista", "://www.altavista.com/", "q"),
    ("AltaVista", "://altavista.com/", "q"),
    ("AlltheWeb", "://www.alltheweb.com/", "q"),
    ("Lycos", "://search.lycos.com/", "query"),
    ("HotBot", "://www.hotbot.com/", "query"),
    ("Teoma", "://www.teoma.com/", "q"),
    ("WebCrawler", "://www.webcrawler.com/", "q"),
    ("Dogpile", "://www.dogpile.com/", "q"),
]


def main():
    datafmt.write_records(datafmt.data_path("search.dat"), ENGINES)
    print("search.dat: %d records, %d engines" % (len(ENGINES), len({e[0] for e in ENGINES})))


if __name__ == "__main__":
    main()
