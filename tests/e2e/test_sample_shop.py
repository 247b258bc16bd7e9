#!/usr/bin/env python3
"""Self-test of the sample shop (tools/sample-shop): start it, fetch its pages, and
check that they are Shift-JIS, carry the markers, and that a harvest reading them
by the listing and detail rules finds exactly what shopdata says each day holds.

The page reader below is a small model of the harvest's tokenizer and of its two
page walks, enough for the shop's markup; it lets this test catch a page whose
markup would mislead the real program (a text that lands in the wrong field, a
link taken outside the list) before the program is there to show it.
Runs as a plain script (ctest) or under pytest.
"""

import datetime
import os
import re
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.error
import urllib.request
from pathlib import Path

LAUNCHER = Path(__file__).resolve().parents[1] / "support" / "sample_shop.py"
sys.path.insert(0, str(LAUNCHER.parent))

from sample_shop import SampleShop, ShopError  # noqa: E402
import shopdata as sd  # noqa: E402

# Days that between them hold every kind of title (the optional ones depend on the
# day), a leap day and a year's first day.
DAYS = [datetime.date(2024, 12, 7), datetime.date(2024, 12, 8), datetime.date(2024, 12, 9),
        datetime.date(2024, 2, 29), datetime.date(2025, 1, 1)]

# --------------------------------------------------------------------------
# A model of the page reader: tags and decoded texts in document order.

_REFS = {b"&amp;": b"&", b"&lt;": b"<", b"&gt;": b">", b"&quot;": b'"', b"&nbsp;": b" ",
         b"&copy;": b"\xa9"}


def _decode_text(raw):
    t = raw.replace(b"\n", b" ")
    t = re.sub(rb" {2,}", b" ", t)

    def ref(m):
        s = m.group(0)
        if s.startswith(b"&#"):
            n = int(s[2:-1])
            return b" " if n < 32 or n == 160 else bytes([n])
        return _REFS.get(s, s)

    t = re.sub(rb"&#[0-9]{1,3};|&[a-z]+;", ref, t)
    return t.decode("cp932")


def _parse_tag(raw):
    name, _, rest = raw.partition(b" ")
    params, cur, quoted = [], bytearray(), False
    for i, b in enumerate(rest + b" "):
        if b == 0x22:
            quoted = not quoted
        if b == 0x20 and not quoted:
            if cur:
                n, eq, v = bytes(cur).partition(b"=")
                if len(v) >= 2 and v[:1] == v[-1:] == b'"':
                    v = v[1:-1]
                params.append((n.upper().decode("latin-1"), v.decode("cp932")))
            cur = bytearray()
        else:
            cur.append(b)
    return name.upper().decode("latin-1"), params


def tokenize(data):
    nodes, text, tag, in_tag = [], bytearray(), bytearray(), False
    for line in data.splitlines():
        for b in line:
            if b == 0x3C:  # "<"
                if not in_tag and text:
                    nodes.append(("text", _decode_text(bytes(text))))
                    text.clear()
                in_tag = True
            elif b == 0x3E:  # ">"
                in_tag = False
                nodes.append(("tag",) + _parse_tag(bytes(tag)))
                tag.clear()
            elif in_tag:
                tag.append(b)
            else:
                text.append(b)
        if not in_tag and text:
            text.append(0x0A)
    if not in_tag and text:
        nodes.append(("text", _decode_text(bytes(text))))
    return nodes


def trim(s):
    return s.strip("".join(chr(c) for c in range(33)) + "\u3000")


def walk_listing(nodes, prefix):
    """The listing rules: which links are taken, under which heading; next page?"""
    in_list, last, taken, next_page, opened = False, "", [], False, 0
    heading = None
    for node in nodes:
        if node[0] == "tag":
            _, name, params = node
            if in_list and name == "A" and params:
                link = ""
                for n, v in params:
                    if n == "HREF" and v != last and prefix in v:
                        link = last = v
                if link:
                    taken.append((link, heading))
            continue
        s = trim(node[1])
        if not s:
            continue
        if not in_list:
            if "本日の新刊" in s and "月" in s:
                in_list = True
                opened += 1
        elif "[日付別新刊ページ]" in s:
            in_list = False
        elif "次のページへ" in s:
            next_page = True
        elif "▼" in s:
            heading = s
    return taken, next_page, opened


_LABELS = ("出版年月", "出版社名", "ISBNコード", "税込価格", "シリーズ名", "頁数・縦")


def _zen_to_han(s):
    # Enough of the width rule for page-count rows: full-width ASCII and spaces.
    return "".join(" " if c == "\u3000" else chr(ord(c) - 0xFEE0) if "！" <= c <= "～" else c
                   for c in s)


def walk_detail(nodes):
    """The detail rules: the raw values a harvest reads off the page."""
    v = dict(title="", authors="", series="", publisher="", isbn="", price=0, pages=0, size="",
             image="")
    in_item = title_m = authors_m = detail_m = table_m = False
    tables, pending = 0, ""
    for node in nodes:
        if node[0] == "tag":
            _, name, params = node
            classes = [p[1].lower() for p in params if p[0] == "CLASS"]
            if name == "P" and "itemtitle" in classes:
                in_item, title_m, authors_m, detail_m = True, True, False, False
            elif name == "P" and "itemdetail" in classes:
                in_item, detail_m, title_m, authors_m = True, True, False, False
            elif name == "UL" and "authorsname" in classes:
                in_item, authors_m, title_m, detail_m = True, True, False, False
            elif name == "DIV" and "mainitemlayout" in classes:
                in_item, title_m, authors_m, detail_m = True, False, False, False
            elif name == "DIV" and "mainitemtable" in classes:
                in_item, table_m, title_m, authors_m, detail_m = True, True, False, False, False
            elif name == "IMG" and in_item and params:
                for n, val in params:
                    dot = val.rfind(".")
                    ext = val[dot:] if dot >= 0 and not re.search(r"[\\:]", val[dot:]) else ""
                    if n == "SRC" and ext.lower() == ".jpg" and not v["image"]:
                        v["image"] = val
            elif name == "TABLE" and in_item:
                tables += 1
                if tables == 3:
                    title_m = True
                elif tables == 4:
                    table_m, title_m, authors_m, detail_m = True, False, False, False
                elif tables == 5:
                    table_m = title_m = authors_m = detail_m = False
            continue
        if not in_item:
            continue
        s = trim(node[1])
        if not s:
            continue
        if title_m:
            v["title"] = v["title"] or s
        elif authors_m:
            v["authors"] = s
        elif detail_m:
            v["series"] = s
        elif table_m:
            if pending and s not in _LABELS:
                if pending == "出版年月":
                    pending = ""
                elif pending == "出版社名":
                    v["publisher"], pending = s, ""
                elif pending == "ISBNコード":
                    v["isbn"], pending = s.replace("-", ""), ""
                elif pending == "シリーズ名":
                    v["series"], pending = v["series"] or s, ""
                elif pending == "税込価格":
                    p = trim(s.replace("円", "").replace(",", ""))
                    v["price"], pending = int(p) if p.isdigit() else 0, ""
                elif pending == "頁数・縦 ：":
                    h = _zen_to_han(s)
                    head, has_p, tail = h.partition("P")
                    v["pages"] = int(trim(head)) if has_p and trim(head).isdigit() else 0
                    v["size"], pending = trim(tail) if has_p else trim(h), ""
            else:
                pending = s
    return v


def isbn_as_written(raw_without_hyphens):
    """The ISBN-10 to 13 step the harvest applies (hyphens are already gone)."""
    t = raw_without_hyphens
    if len(t) == 10:
        body = "978" + t[:9]
        return body + sd.ean_check(body)
    return t if len(t) == 13 else ""


# --------------------------------------------------------------------------

class ShopProcess(SampleShop):
    """The shop in a folder of its own, with a small client."""

    def __init__(self):
        self.tmp = tempfile.TemporaryDirectory(prefix="kivo-shop-test-")
        super().__init__(self.tmp.name)
        try:
            self.start()
        except BaseException:
            self.tmp.cleanup()
            raise

    def get(self, path_or_url, method="GET"):
        url = path_or_url if path_or_url.startswith("http") else self.base + path_or_url
        req = urllib.request.Request(url, method=method)
        try:
            with urllib.request.urlopen(req, timeout=10) as r:
                return r.status, r.headers, r.read(), r.geturl()
        except urllib.error.HTTPError as e:
            return e.code, e.headers, e.read(), url

    def stop(self):
        super().stop()
        self.tmp.cleanup()


class SampleShopTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.shop = ShopProcess()
        cls.prefix = cls.shop.base + sd.DETAIL_PREFIX_PATH

    @classmethod
    def tearDownClass(cls):
        cls.shop.stop()

    def fetch_html(self, path):
        status, headers, body, _ = self.shop.get(path)
        self.assertEqual(status, 200, path)
        self.assertEqual(headers["Content-Type"], "text/html; charset=Shift_JIS", path)
        body.decode("cp932")  # strict: every byte sequence is Shift-JIS (cp932)
        with self.assertRaises(UnicodeDecodeError, msg=path):
            body.decode("utf-8")  # and it really is not UTF-8
        return body

    def listing(self, day, page):
        return self.fetch_html(sd.listing_url("", day, page))

    def test_start_up(self):
        with open(self.shop.port_file, encoding="ascii") as f:
            self.assertEqual(int(f.read()), self.shop.port)
        status, _, body, _ = self.shop.get("/")
        self.assertEqual(status, 200)
        self.assertIn("オンライン書店kivo".encode("cp932"), body)

    def test_listing_pages_give_the_days_titles_by_the_listing_rules(self):
        for day in DAYS:
            with self.subTest(day=day):
                expected = sd.day_titles(day)
                self.assertTrue(7 <= len(expected) <= 9)
                self.assertIn(sd.EVERGREEN, expected)
                taken, headings = [], []
                for page, has_next in ((1, True), (2, False)):
                    links, next_page, opened = walk_listing(tokenize(self.listing(day, page)),
                                                            self.prefix)
                    self.assertEqual(next_page, has_next)
                    self.assertEqual(opened, 1)
                    taken += [link for link, _ in links]
                    headings += [h for _, h in links]
                # Each title is linked twice in a row (cover, then title); the second
                # is the same address and so is not taken again.
                want = [sd.link_for(self.shop.base, t) for t in expected]
                self.assertEqual(taken, want)
                self.assertEqual(headings, [t.heading for t in expected])
                codes = {t.code for t in expected}
                self.assertEqual(len(codes), len(expected))

    def test_markers_outside_the_list_are_there_and_do_not_count(self):
        day = DAYS[0]
        page = self.listing(day, 1).decode("cp932")
        start = page.index("%d月%d日（土） 本日の新刊" % (day.month, day.day))
        end = page.index("[日付別新刊ページ]")
        pick, rank = sd.outside_titles(day)
        self.assertLess(page.index(sd.detail_url(self.shop.base, pick.code)), start)
        self.assertGreater(page.index(sd.detail_url(self.shop.base, rank.code)), end)
        self.assertLess(page.index("次のページへ"), start)
        self.assertGreater(page.rindex("次のページへ"), end)
        self.assertLess(page.index("本日の新刊一覧"), start)  # no "月": opens nothing
        for heading in (sd.HEAD_BUNKO, sd.HEAD_COMIC):
            self.assertIn(heading, page)
        page2 = self.listing(day, 2).decode("cp932")
        self.assertIn(sd.HEAD_BOOKS, page2)
        self.assertIn("&amp;", page2)
        # The outside titles are real titles of the shop, so taking one would show.
        for t in (pick, rank):
            self.assertEqual(self.shop.get(sd.detail_url("", t.code))[0], 200)

    def test_a_page_past_the_last_has_the_header_but_no_titles(self):
        for n in (3, 17):
            links, next_page, opened = walk_listing(tokenize(self.listing(DAYS[1], n)),
                                                    self.prefix)
            self.assertEqual((links, next_page, opened), ([], False, 1))

    def test_some_day_has_a_comma_heading_and_a_link_with_the_prefix_inside(self):
        day = DAYS[2]  # a day with both optional titles
        titles = sd.day_titles(day)
        self.assertEqual(len(titles), 9)
        jump = [t for t in titles if t.link_kind == "jump"]
        self.assertEqual(len(jump), 1)
        link = sd.link_for(self.shop.base, jump[0])
        self.assertFalse(link.startswith(self.prefix))
        self.assertIn(self.prefix, link)
        self.assertIn(",", jump[0].heading)
        # The harvest fetches the value as written, "&amp;" and all.
        status, _, body, final = self.shop.get(link)
        self.assertEqual(status, 200)
        self.assertTrue(final.endswith(sd.DETAIL_PREFIX_PATH + jump[0].code))
        self.assertIn(jump[0].title.encode("cp932"), body)

    def test_detail_pages_give_their_values_by_the_detail_rules(self):
        seen = set()
        for day in DAYS:
            for t in sd.day_titles(day) + list(sd.outside_titles(day)):
                with self.subTest(code=t.code):
                    v = walk_detail(tokenize(self.fetch_html(sd.detail_url("", t.code))))
                    self.assertEqual(v["title"], t.title)
                    self.assertEqual(v["authors"], t.authors[-1])
                    self.assertEqual(v["series"], t.series)
                    self.assertEqual(v["publisher"], t.publisher)
                    self.assertEqual(isbn_as_written(v["isbn"]), t.isbn13)
                    self.assertEqual(v["price"], t.price)
                    self.assertEqual((v["pages"], v["size"]), (t.page_count, t.size))
                    want_image = sd.image_url(self.shop.base, t.cover) if t.cover else ""
                    self.assertEqual(v["image"], want_image)
                    seen.add((t.layout, t.title_class, t.pages_label, t.isbn_text.count("-"),
                              len(t.isbn_text), t.cover[-4:]))
        # The days above exercise every variant the pages are meant to show.
        self.assertTrue({c for _, c, _, _, _, _ in seen} >=
                        {"itemTitle", "ITEMTITLE", "itemtitle", "ItemTitle", ""})
        self.assertIn("legacy", {s[0] for s in seen})
        self.assertEqual({s[2] for s in seen}, {sd.LABEL_PAGES, sd.LABEL_PAGES_BARE})
        self.assertTrue({(4, 17), (3, 13), (4, 16), (0, 13), (0, 10)} <= {s[3:5] for s in seen})
        self.assertTrue({".jpg", ".JPG", ""} <= {s[5] for s in seen})

    def test_the_data_holds_the_awkward_cases(self):
        titles = [t for day in DAYS for t in sd.day_titles(day)]
        self.assertTrue(any(t.isbn_text.endswith("-X") for t in titles))
        self.assertTrue(any(re.search("[\uff66-\uff9d][\uff9e\uff9f]", t.title) for t in titles))
        self.assertTrue(any("（" in t.title and re.search("[Ａ-Ｚ]", t.title) for t in titles))
        self.assertTrue(any("/" in t.title and ":" in t.title and not t.isbn13 for t in titles))
        self.assertTrue(any(t.cover == "nowprinting.jpg" for t in titles))
        self.assertTrue(any(t.item_detail and t.series_row for t in titles))
        for t in titles:  # the catalogue forms carry no width or parenthesis left-overs
            self.assertIsNone(re.search("[（）Ａ-Ｚａ-ｚ０-９\uff61-\uff9f]", t.expect_title), t.title)
        # A whole expected line: 17 fields, one more for the heading's comma.
        t = next(t for t in titles if t.slot == "shinsho")
        line = sd.catalogue_line(t, "http://127.0.0.1:1", DAYS[0], "/tmp/")
        self.assertTrue(line.endswith(b'.jpg"\r\n'))
        self.assertEqual(len(line.decode("cp932").split(",")), 17)
        self.assertIn(b',1,\x95\xb6\x8c\xc9\x81E\x90V\x8f\x91,0,20241207,', line)
        t = next(t for t in titles if t.slot == "business")
        self.assertEqual(len(sd.catalogue_line(t, "b", DAYS[1], "/t/").split(b",")), 18)
        self.assertEqual(sd.cover_file(t, "/t/"), "/t/" + t.isbn13)

    def test_images_are_small_jpegs_the_same_every_time(self):
        names = ["012024120701.jpg", "012024120704.JPG", "nowprinting.jpg", "kivo_logo.jpg"]
        bodies = []
        for name in names:
            status, headers, body, _ = self.shop.get("/img/" + name)
            self.assertEqual((status, headers["Content-Type"]), (200, "image/jpeg"))
            self.assertTrue(body.startswith(b"\xff\xd8\xff\xe0") and body.endswith(b"\xff\xd9"))
            self.assertLess(len(body), 1000)
            self.assertEqual(self.shop.get("/img/" + name)[2], body)
            bodies.append(body)
        self.assertEqual(len(set(bodies)), len(bodies))
        self.assertEqual(self.shop.get("/img/icon_new.gif")[1]["Content-Type"], "image/gif")

    def test_unknown_addresses_are_404(self):
        day = DAYS[0]  # the optional titles are not listed this day
        good = sd.listing_url("", day, 1)
        for path in ("/bec/SA/Detail?refShinCode=" + sd.day_code(day, 7),
                     "/bec/SA/Detail?refShinCode=nothing", "/bec/SA/Detail",
                     good.replace("taishongpi=20241207", "taishongpi=20241231x"),
                     good.replace("taishongpi=20241207", "taishongpi=20240230"),
                     good.replace("listcnt=1", "listcnt=0"),
                     good.replace("listcnt=1", "listcnt=01"),
                     good.replace("dcode=01&", ""),
                     "/bec/SE/Jump?url=http://shop.invalid/bec/SA/Detail?refShinCode=1",
                     "/img/cover.png", "/nothing"):
            with self.subTest(path=path):
                status, headers, body, _ = self.shop.get(path)
                self.assertEqual(status, 404)
                self.assertIn("charset=Shift_JIS", headers["Content-Type"])
                self.assertIn("ページが見つかりません".encode("cp932"), body)

    def test_the_request_log_has_one_line_per_request(self):
        before = len(self.shop.requests())
        path = sd.detail_url("", sd.EVERGREEN_CODE)
        self.shop.get(path)
        self.shop.get(path, method="HEAD")
        self.shop.get("/bec/SA/Detail?refShinCode=0")
        self.assertEqual(self.shop.requests()[before:],
                         ["GET %s 200" % path, "HEAD %s 200" % path,
                          "GET /bec/SA/Detail?refShinCode=0 404"])


class ShopLifetimeTest(unittest.TestCase):
    def test_sigterm_stops_it_and_removes_the_port_file(self):
        shop = ShopProcess()
        try:
            self.assertTrue(os.path.exists(shop.port_file))
            started = time.monotonic()
            shop.process.send_signal(signal.SIGTERM)
            self.assertEqual(shop.process.wait(timeout=10), 0)
            self.assertLess(time.monotonic() - started, 5)
            self.assertFalse(os.path.exists(shop.port_file))
        finally:
            shop.stop()

    def test_sigint_stops_it_too(self):
        shop = ShopProcess()
        try:
            shop.process.send_signal(signal.SIGINT)
            self.assertEqual(shop.process.wait(timeout=10), 0)
        finally:
            shop.stop()


class LauncherTest(unittest.TestCase):
    """The launcher that the tests, the Wine drivers and the demo start the shop with."""

    def test_a_shop_that_cannot_start_is_reported_at_once(self):
        with tempfile.TemporaryDirectory() as tmp:
            shop = SampleShop(os.path.join(tmp, "gone"), request_log=False)
            with self.assertRaises(ShopError) as raised:
                shop.start()
            # Its end is seen, not waited out (its traceback above is expected).
            self.assertIn("ended with exit code 1", str(raised.exception))
            self.assertIsNotNone(shop.process.poll())

    def test_the_command_serves_until_sigterm_and_keeps_the_log(self):
        with tempfile.TemporaryDirectory() as tmp:
            command = subprocess.Popen([sys.executable, str(LAUNCHER), tmp], stdout=subprocess.PIPE,
                                       text=True)
            try:
                line = command.stdout.readline()
                m = re.fullmatch(r"sample shop listening on (http://127\.0\.0\.1:\d+)\n", line)
                self.assertIsNotNone(m, line)
                with urllib.request.urlopen(m.group(1) + "/css/kivo.css", timeout=10) as r:
                    self.assertEqual(r.status, 200)
                command.send_signal(signal.SIGTERM)
                self.assertEqual(command.wait(timeout=30), 0)
            finally:
                if command.poll() is None:
                    command.kill()
                    command.wait()
                command.stdout.close()
            # The shop ended with it (it removes its port file on a clean stop).
            self.assertFalse(os.path.exists(os.path.join(tmp, "shop.port")))
            with open(os.path.join(tmp, "shop-requests.log"), encoding="ascii") as f:
                self.assertEqual(f.read(), "GET /css/kivo.css 200\n")


if __name__ == "__main__":
    unittest.main(verbosity=2)
