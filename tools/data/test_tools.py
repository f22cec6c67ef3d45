#!/usr/bin/env python3
"""Unit tests of the data generators' own logic (no network, no data files)."""

import unittest

import datafmt
import make_countries
import make_spiders


class PatternTexts(unittest.TestCase):
    CASES = [
        ("Googlebot\\/", ["Googlebot/"]),
        ("mirrorweb\\.com", ["mirrorweb.com"]),
        ("[wW]get", ["wget", "Wget"]),
        ("^Seekbot", ["Seekbot"]),
        ("SSL Labs$", ["SSL Labs"]),
        ("Ahrefs(Bot|SiteAudit)", ["AhrefsBot", "AhrefsSiteAudit"]),
        ("Automaton|Newsify Feed Fetcher", ["Automaton", "Newsify Feed Fetcher"]),
        ("AdsBot-Google([^-]|$)", ["AdsBot-Google"]),
        ("(^| )sentry\\/", ["sentry/"]),
        ("ContextualBot[\\s\\S]*outcomes\\.net", ["ContextualBot"]),
        ("Current[\\s\\S]*RSS Reader", ["RSS Reader"]),
        ("BlogTraffic\\/\\d\\.\\d+ Feed-Fetcher", ["BlogTraffic/"]),
        ("(sistrix|SISTRIX) [cC]rawler", ["sistrix crawler", "sistrix Crawler",
                                          "SISTRIX crawler", "SISTRIX Crawler"]),
        ("Unshorten\\.It\\!", ["Unshorten.It!"]),
        ("abc(?:def)?ghi", ["abc"]),
        ("x[a-z]yz", ["yz"]),
    ]

    def test_patterns(self):
        for pattern, want in self.CASES:
            with self.subTest(pattern=pattern):
                self.assertEqual(make_spiders.pattern_texts(pattern), want)

    def test_unbalanced_pattern_is_refused(self):
        for pattern in ("abc(def", "abc)def"):
            with self.subTest(pattern=pattern):
                with self.assertRaises(ValueError):
                    make_spiders.pattern_texts(pattern)


class SpiderList(unittest.TestCase):
    def test_filters(self):
        entries = [{"pattern": p} for p in
                   ("Googlebot\\/", "ds9", "^Silk\\/", "Googlebot-Image", "FooCrawler", "curl")]
        agents = ["Mozilla/5.0 (Linux; Android 9; KFTRWI) Silk/119.3.1 like Chrome/119.0 Safari/537.36"]
        kept, dropped = make_spiders.build(entries, agents)
        self.assertIn("ds9", dropped["short"])
        self.assertIn("Silk/", dropped["browser"])
        self.assertNotIn("Silk/", kept)
        # covered by the generic "bot/" and "Crawl" fragments
        self.assertNotIn("Googlebot/", kept)
        self.assertNotIn("FooCrawler", kept)
        self.assertIn("Googlebot-Image", kept)
        self.assertIn("curl", kept)
        self.assertNotIn("", kept)


class DelimitedItems(unittest.TestCase):
    CASES = [
        ('"a"\n"b"\n', ["a", "b"]),
        ('"a"\r\n"b"\r\n', ["a", "b"]),
        ('"a","b, c","d"\n', ["a", "b, c", "d"]),
        ('  "a",  b \n', ["a", "b"]),
        ('"a"', ["a"]),
        # the faults the writers must never produce: each yields an empty item
        ('"a"\n\n"b"\n', ["a", "", "b"]),
        ('"a",\n"b"\n', ["a", "", "b"]),
    ]

    def test_items(self):
        for text, want in self.CASES:
            with self.subTest(text=text):
                self.assertEqual(datafmt.parse_delimited(text), want)

    def test_writer_refuses_empty_and_quoted_items(self):
        for record in (("a", ""), ('say "hi"',)):
            with self.subTest(record=record):
                with self.assertRaises(ValueError):
                    datafmt.write_records("/dev/null", [record])


class CountryFormat(unittest.TestCase):
    def test_line_reads_back(self):
        line = datafmt.format_country_line(16777216, 16777471, "au", "Australia")
        self.assertEqual(line, '"  16777216","16777471","au","","Australia"')
        self.assertEqual(datafmt.parse_country_line(line), (16777216, 16777471, "au", "Australia"))

    def test_ipv6_line_reads_back(self):
        start, end = 0x20010DB8 << 96, (0x20010DB8 << 96) | ((1 << 96) - 1)
        line = datafmt.format_country6_line(start, end, "de", "Germany")
        self.assertEqual(line, '"  2001:db8::","2001:db8:ffff:ffff:ffff:ffff:ffff:ffff","de","","Germany"')
        self.assertEqual(datafmt.parse_country6_line(line), (start, end, "de", "Germany"))

    def test_merge(self):
        cases = [
            ([(10, 19, "de"), (0, 9, "de")], [(0, 19, "de")]),
            ([(0, 9, "de"), (10, 19, "fr")], [(0, 9, "de"), (10, 19, "fr")]),
            ([(0, 9, "de"), (11, 19, "de")], [(0, 9, "de"), (11, 19, "de")]),
            ([(0, 9, "de"), (10, 19, "de"), (20, 29, "de")], [(0, 29, "de")]),
        ]
        for ranges, want in cases:
            with self.subTest(ranges=ranges):
                self.assertEqual(make_countries.merge_ranges(ranges), want)

    def test_overlap_is_refused(self):
        with self.assertRaises(ValueError):
            make_countries.merge_ranges([(0, 10, "de"), (10, 19, "fr")])

    def test_names_lose_commas_and_quotes(self):
        self.assertEqual(make_countries.clean_name('Bonaire, St Eustatius  & Saba'),
                         "Bonaire St Eustatius & Saba")
        self.assertEqual(make_countries.clean_name('Côte d"Ivoire'), "Côte d'Ivoire")


if __name__ == "__main__":
    unittest.main()
