"""The sample shop's catalogue: which titles a day lists and what each detail page holds.

Everything is derived from the calendar day, so the shop needs no stored data, serves
the same bytes for the same request every time, and any day of any year has a list.
Each day lists the same kinds of title (one per "slot"), each kind chosen to exercise
one thing the harvest must get right; the names, ISBNs and codes vary with the day.
One title, EVERGREEN_CODE, is listed on every day, so a harvest over several days
shows that a detail page already in the history is not fetched again.

Besides the page data, every Title carries what the harvest should write for it
(expect_* fields, isbn13, price, page_count, size, series), and catalogue_fields()
puts a whole catalogue line together, so end-to-end tests can compare the host's
catalogue with what the shop served. Texts are Python str here; the pages encode
them to Shift-JIS (cp932).
"""

import datetime
import re
from dataclasses import dataclass

LISTING_PATH = "/bec/SE/Genre"
DETAIL_PATH = "/bec/SA/Detail"
JUMP_PATH = "/bec/SE/Jump"
DETAIL_PREFIX_PATH = DETAIL_PATH + "?refShinCode="

EVERGREEN_CODE = "010000000001"

# The list headings. The comma in the last one is deliberate: the category text is
# written bare into the catalogue, so it gives the host's line one more field.
HEAD_BUNKO = "▼文庫・新書"
HEAD_COMIC = "▼コミック"
HEAD_BOOKS = "▼単行本"
HEAD_BUSINESS = "▼ビジネス,経済"

LABEL_PAGES = "頁数・縦 ："  # with a space and a full-width colon, as the shop writes it
LABEL_PAGES_BARE = "頁数・縦"  # a recognised label, but no value is read under it

PUBLISHER_PREFIX = {  # ISBN publisher prefixes, after the group "4"
    "青葉書房": "91",
    "月影社": "92",
    "星海出版": "93",
    "白樺書院": "94",
    "風見堂": "95",
    "港北書店": "96",
}

_FW_DIGITS = str.maketrans("0123456789", "０１２３４５６７８９")


@dataclass(frozen=True)
class Title:
    """One title of the shop: what its pages show and what the catalogue should get."""
    code: str  # refShinCode
    slot: str  # which kind of title (see _SLOTS)
    heading: str  # list heading it stands under ("" for titles outside the list)
    layout: str  # "modern" (class triggers) or "legacy" (title after the third table)
    title_class: str  # how the itemtitle class is spelled on the page ("" for legacy)
    link_kind: str  # "plain" detail link, or "jump" (prefix inside a longer address)
    title: str  # title text as shown (decoded; the page escapes "&")
    authors: tuple  # texts of the authors list, in order
    publisher: str
    published: str  # value of the publication-month row (not used by the harvest)
    isbn_text: str  # value of the ISBN row as shown
    price_text: str  # value of the price row as shown
    pages_label: str  # label of the page-count row
    pages_text: str  # value of the page-count row as shown
    item_detail: str  # text of the itemdetail paragraph, "" when there is none
    series_row: str  # value of the series row, "" when there is none
    cover: str  # file name of the cover under /img/, "" when the page has no cover
    # What the harvest should write for this title:
    isbn13: str  # "" when the ISBN row is unusable
    expect_title: str
    expect_authors: str
    price: int
    page_count: int
    size: str
    series: str

    @property
    def category_code(self):
        if "文庫・新書" in self.heading:
            return 1
        if "コミック" in self.heading:
            return 2
        return 0

    @property
    def category_text(self):
        return self.heading.replace("▼", "")


# ---------------------------------------------------------------------------
# ISBN arithmetic (the shop makes valid ISBNs; the harvest must keep them so).

def ean_check(digits12):
    s = sum(int(c) * (3 if i % 2 else 1) for i, c in enumerate(digits12))
    return str((10 - s % 10) % 10)


def isbn10_check(digits9):
    s = sum(int(c) * (10 - i) for i, c in enumerate(digits9))
    c = (11 - s % 11) % 11
    return "X" if c == 10 else str(c)


def _isbn_body(publisher, serial):
    return "4" + PUBLISHER_PREFIX[publisher] + "%06d" % (serial % 1000000)


def _isbn13(body9):
    return "978" + body9 + ean_check("978" + body9)


def _isbn_row(style, body9):
    """The ISBN row's text in one of the ways shops write it."""
    if style == "hyphen13":
        full = _isbn13(body9)
        return "-".join([full[:3], full[3], full[4:6], full[6:12], full[12]])
    if style == "plain13":
        return _isbn13(body9)
    if style == "hyphen10":
        return "-".join([body9[0], body9[1:3], body9[3:9], isbn10_check(body9)])
    if style == "plain10":
        return body9 + isbn10_check(body9)
    if style == "bad":  # a digit short: 12 digits once the hyphens are gone
        full = _isbn13(body9)
        return "-".join([full[:3], full[3], full[4:6], full[6:11], full[12]])
    raise ValueError(style)


def _body_with_x_check(publisher, serial):
    """An ISBN body whose ISBN-10 check character is "X" (serial nudged up: one of
    any ten consecutive serials whose last digit runs 0 to 9 gives X or misses
    by one residue, so a hit comes within a few tens)."""
    for k in range(100):
        body = _isbn_body(publisher, serial + k)
        if isbn10_check(body) == "X":
            return body
    raise AssertionError("no X check digit near serial %d" % serial)


# ---------------------------------------------------------------------------
# The kinds of title. Each pool entry: (title as shown, expected catalogue title,
# authors as shown, expected authors, publisher, series). "{n}" is the volume
# (ASCII digits), "{N}" the same in full-width digits, "{year}" the listing year.

_POOL_BUNKO = [
    ("春待ちの庭", "春待ちの庭", ("朝倉　詩織／著",), "朝倉 詩織/著", "青葉書房", "青葉文庫"),
    ("夜明けの図書室", "夜明けの図書室", ("真壁　遼／著",), "真壁 遼/著", "月影社", "月影文庫"),
    ("海辺の時計店", "海辺の時計店", ("久遠　千晴／著",), "久遠 千晴/著", "青葉書房", "青葉文庫"),
    ("雨音のレシピ帖", "雨音のレシピ帖", ("白石　つむぎ／著",), "白石 つむぎ/著", "星海出版",
     "星海文庫"),
]
_POOL_SHINSHO = [
    ("はじめての統計学", "はじめての統計学", ("森下　健一／著",), "森下 健一/著", "白樺書院",
     "白樺新書"),
    ("日本の城を歩く", "日本の城を歩く", ("高遠　直人／著",), "高遠 直人/著", "風見堂",
     "風見堂新書"),
    ("ことばの地図帳", "ことばの地図帳", ("三輪　葵／編著",), "三輪 葵/編著", "月影社", "月影新書"),
]
# Half-width katakana with voiced and semi-voiced marks. The harvest widens them; a
# voiced mark after ｳ stays a separate full-width mark, as the width rules say.
_POOL_COMIC_KANA = [
    ("ﾄﾞﾗｺﾞﾝ ﾊﾟﾃｨｼｴ {n}", "ドラゴン パティシエ {n}"),
    ("ｷﾞｬﾗｸｼｰ ﾀﾞｲﾊﾞｰｽﾞ {n}", "ギャラクシー ダイバーズ {n}"),
    ("ｳﾞｧﾝﾊﾟｲｱ ｶﾌｪ {n}", "ウ゛ァンパイア カフェ {n}"),
    ("ﾎﾟｹｯﾄ ｶﾞｰﾃﾞﾝ {n}", "ポケット ガーデン {n}"),
]
# Full-width letters with the volume in full-width parentheses.
_POOL_COMIC_WIDE = [
    ("ＳＴＡＲ　ＧＡＴＥ（{N}）", "STAR GATE {n}"),
    ("ＭＯＯＮ　ＲＵＮＮＥＲ（{N}）", "MOON RUNNER {n}"),
    ("ＰＵＺＺＬＥ＆ＱＵＥＳＴ（{N}）", "PUZZLE&QUEST {n}"),
]
# "/" and ":" in the title, and an unusable ISBN: the cover file is named after the
# title. ソ and 表 have 0x5C ("\") as their second Shift-JIS byte.
_POOL_SLASH = [
    ("ソウル/釜山 ぶらり街歩き: {year}年版", ("街歩き編集部／編",), "街歩き編集部/編", "風見堂"),
    ("作って楽しい! 週末DIY: 道具/材料の基本", ("工房ひなた／著",), "工房ひなた/著", "星海出版"),
    ("日帰りハイク: 関東/甲信越 {year}", ("山歩き倶楽部／編",), "山歩き倶楽部/編", "白樺書院"),
    ("表参道/原宿 カフェ案内: {year}", ("街歩き編集部／編",), "街歩き編集部/編", "風見堂"),
]
_POOL_AMP = [
    ("ねこ&ことばの手帖", ("小野寺　ひかり／文・絵",), "小野寺 ひかり/文・絵", "風見堂"),
    ("パン&コーヒーの時間", ("結城　あん／著",), "結城 あん/著", "星海出版"),
    ("庭しごと&季節の手帖", ("園田　みのり／著",), "園田 みのり/著", "白樺書院"),
]
_POOL_BUSINESS = [
    ("ＡＩ時代のチームづくり", "AI時代のチームづくり", ("桐生　誠／著",), "桐生 誠/著"),
    ("はじめてのＤＸ入門", "はじめてのDX入門", ("石黒　拓海／著",), "石黒 拓海/著"),
    ("数字に強くなる会議術", "数字に強くなる会議術", ("岡部　律子／著",), "岡部 律子/著"),
]
_POOL_JUMP = [
    ("一生使える文章術", ("神崎　透／著",), "神崎 透/著"),
    ("図解 物流のしくみ", ("物流研究会／編",), "物流研究会/編"),
    ("はじめての資産形成", ("宮原　咲／著",), "宮原 咲/著"),
]


def _pick(pool, ordinal, shift=0):
    return pool[(ordinal + shift) % len(pool)]


def _price(text):
    t = text.replace("円", "").replace(",", "").strip()
    return int(t) if t.isdigit() else 0


def _make(code, slot, day, serial, *, heading, layout="modern", title_class="itemTitle",
          link_kind="plain", title, expect_title, authors, expect_authors, publisher, isbn_style,
          price_text, pages_text, pages_label=LABEL_PAGES, page_count, size, item_detail="",
          series_row="", cover, x_check=False):
    body = _body_with_x_check(publisher, serial) if x_check else _isbn_body(publisher, serial)
    isbn_text = _isbn_row(isbn_style, body)
    return Title(code=code, slot=slot, heading=heading, layout=layout,
                 title_class=title_class if layout == "modern" else "", link_kind=link_kind,
                 title=title, authors=tuple(authors), publisher=publisher,
                 published="%d年%02d月" % (day.year, day.month), isbn_text=isbn_text,
                 price_text=price_text, pages_label=pages_label, pages_text=pages_text,
                 item_detail=item_detail, series_row=series_row, cover=cover,
                 isbn13="" if isbn_style == "bad" else _isbn13(body), expect_title=expect_title,
                 expect_authors=expect_authors, price=_price(price_text),
                 page_count=page_count if pages_label == LABEL_PAGES else 0,
                 size=size if pages_label == LABEL_PAGES else "",
                 series=item_detail or series_row)


def day_code(day, slot_no):
    return "01%04d%02d%02d%02d" % (day.year, day.month, day.day, slot_no)


# Slot numbers, in list order. 7 and 8 are listed only on some days (so days hold 6
# to 8 titles of their own); 90 and 91 are linked from outside the list only.
_SLOT_NOS = {"bunko": 1, "shinsho": 2, "comic-kana": 3, "comic-legacy": 4, "slash-colon": 5,
             "ampersand": 6, "business": 7, "jump": 8, "pickup": 90, "ranking": 91}


def _slot_present(slot, ordinal):
    if slot == "business":
        return ordinal % 3 >= 1
    if slot == "jump":
        return ordinal % 3 == 2
    return True


def _build(slot, day):
    o = day.toordinal()
    code = day_code(day, _SLOT_NOS[slot])
    # ISBN serials: one per slot and day below 500000 (unique over 50000 days); the
    # ISBN-10 title searches its own range above 500000 for an "X" check character.
    serial = (o % 50000) * 10 + list(_SLOT_NOS).index(slot)
    n = o % 40 + 1
    if slot in ("bunko", "pickup", "ranking"):
        shift = {"bunko": 0, "pickup": 1, "ranking": 2}[slot]
        t, et, a, ea, pub, series = _pick(_POOL_BUNKO, o, shift)
        price = "%d円" % (792 + 44 * ((o + shift) % 5))
        pages = 224 + 32 * ((o + shift) % 4)
        return _make(code, slot, day, serial,
                     heading=HEAD_BUNKO if slot == "bunko" else "", title=t, expect_title=et,
                     authors=a, expect_authors=ea, publisher=pub, isbn_style="hyphen13",
                     price_text=price, pages_text=("%dＰ　１５ｃｍ" % pages).translate(_FW_DIGITS),
                     page_count=pages, size="15cm", item_detail=series,
                     series_row=series + "　" + "%d" % n, cover=code + ".jpg")
    if slot == "shinsho":
        t, et, a, ea, pub, series = _pick(_POOL_SHINSHO, o)
        pages = 208 + 16 * (o % 3)
        return _make(code, slot, day, 500000 + (o % 5000) * 100, heading=HEAD_BUNKO,
                     title_class="ITEMTITLE", title=t, expect_title=et, authors=a,
                     expect_authors=ea, publisher=pub, isbn_style="hyphen10", x_check=True,
                     price_text="1,%03d円" % (100 + 10 * (o % 7)), pages_text="%dP 18cm" % pages,
                     page_count=pages, size="18cm", series_row=series, cover=code + ".jpg")
    if slot == "comic-kana":
        t, et = _pick(_POOL_COMIC_KANA, o)
        return _make(code, slot, day, serial, heading=HEAD_COMIC, title=t.format(n=n),
                     expect_title=et.format(n=n), authors=("七瀬　ユキ／著",),
                     expect_authors="七瀬 ユキ/著", publisher="港北書店", isbn_style="plain13",
                     price_text="594円", pages_text="１９２Ｐ　１８ｃｍ", page_count=192,
                     size="18cm", series_row="港北コミックス", cover="nowprinting.jpg")
    if slot == "comic-legacy":
        t, et = _pick(_POOL_COMIC_WIDE, o)
        # Two texts in the authors list: the harvest keeps the last one only.
        return _make(code, slot, day, serial, heading=HEAD_COMIC, layout="legacy",
                     title=t.format(N=str(n).translate(_FW_DIGITS)), expect_title=et.format(n=n),
                     authors=("原作：霧島　蓮", "漫画：七瀬　ユキ"), expect_authors="漫画:七瀬 ユキ",
                     publisher="港北書店", isbn_style="hyphen13", price_text="748円",
                     pages_text="１７６Ｐ　１８ｃｍ", page_count=176, size="18cm",
                     series_row="港北コミックス", cover=code + ".JPG")
    if slot == "slash-colon":
        t, a, ea, pub = _pick(_POOL_SLASH, o)
        t = t.format(year=day.year)
        return _make(code, slot, day, serial, heading=HEAD_BOOKS, title=t, expect_title=t,
                     authors=a, expect_authors=ea, publisher=pub, isbn_style="bad",
                     price_text="1,980円", pages_text="１６０Ｐ　２１ｃｍ", page_count=160,
                     size="21cm", cover=code + ".jpg")
    if slot == "ampersand":
        t, a, ea, pub = _pick(_POOL_AMP, o)
        return _make(code, slot, day, serial, heading=HEAD_BOOKS, title_class="itemtitle",
                     title=t, expect_title=t, authors=a, expect_authors=ea, publisher=pub,
                     isbn_style="hyphen13", price_text="1,650円", pages_text="128P 19cm",
                     page_count=128, size="19cm", series_row="くらしの本", cover=code + ".jpg")
    if slot == "business":
        t, et, a, ea = _pick(_POOL_BUSINESS, o)
        return _make(code, slot, day, serial, heading=HEAD_BUSINESS, title=t, expect_title=et,
                     authors=a, expect_authors=ea, publisher="月影社", isbn_style="plain10",
                     price_text="1,760円", pages_text="２４０Ｐ　１９ｃｍ", page_count=240,
                     size="19cm", item_detail="ビジネス選書", cover="")
    if slot == "jump":
        t, a, ea = _pick(_POOL_JUMP, o)
        return _make(code, slot, day, serial, heading=HEAD_BUSINESS, title_class="ItemTitle",
                     link_kind="jump", title=t, expect_title=t, authors=a, expect_authors=ea,
                     publisher="青葉書房", isbn_style="hyphen13", price_text="2,200円",
                     pages_label=LABEL_PAGES_BARE, pages_text="２７２Ｐ　２１ｃｍ", page_count=272,
                     size="21cm", cover=code + ".jpg")
    raise ValueError(slot)


def _evergreen():
    day = datetime.date(2001, 4, 1)
    return _make(EVERGREEN_CODE, "evergreen", day, 123456, heading=HEAD_BUNKO,
                 title_class="itemtitle", title="星の案内人（新装版）", expect_title="星の案内人 新装版",
                 authors=("早瀬　光太郎／著　吉野　まどか／絵",),
                 expect_authors="早瀬 光太郎/著 吉野 まどか/絵", publisher="青葉書房",
                 isbn_style="plain13", price_text="1,540円", pages_text="３２０Ｐ　１５ｃｍ",
                 page_count=320, size="15cm", item_detail="青葉文庫",
                 series_row="青葉文庫 ロングセラー選", cover=EVERGREEN_CODE + ".jpg")


EVERGREEN = _evergreen()


def listing_pages(day):
    """The day's list, page by page: [[(heading, [Title, ...]), ...], ...]."""
    o = day.toordinal()
    b = {s: _build(s, day) for s in _SLOT_NOS if s not in ("pickup", "ranking")
         if _slot_present(s, o)}
    page1 = [(HEAD_BUNKO, [b["bunko"], EVERGREEN, b["shinsho"]]),
             (HEAD_COMIC, [b["comic-kana"], b["comic-legacy"]])]
    page2 = [(HEAD_BOOKS, [b["slash-colon"], b["ampersand"]])]
    extra = [b[s] for s in ("business", "jump") if s in b]
    if extra:
        page2.append((HEAD_BUSINESS, extra))
    return [page1, page2]


def day_titles(day):
    """Every title the day's list links to, in list order (the evergreen one included)."""
    return [t for page in listing_pages(day) for _, titles in page for t in titles]


def outside_titles(day):
    """The titles linked from the listing outside the list: (before it, after it)."""
    return _build("pickup", day), _build("ranking", day)


def parse_day(text):
    """A date from "YYYYMMDD", or None."""
    if not re.fullmatch(r"[0-9]{8}", text or ""):
        return None
    try:
        return datetime.date(int(text[:4]), int(text[4:6]), int(text[6:]))
    except ValueError:
        return None


def title_for_code(code):
    """The title a refShinCode names, or None when the shop has no such title."""
    if code == EVERGREEN_CODE:
        return EVERGREEN
    m = re.fullmatch(r"01([0-9]{8})([0-9]{2})", code or "")
    if not m:
        return None
    day = parse_day(m.group(1))
    if day is None:
        return None
    slot_no = int(m.group(2))
    for slot, no in _SLOT_NOS.items():
        if no == slot_no and _slot_present(slot, day.toordinal()):
            return _build(slot, day)
    return None


# ---------------------------------------------------------------------------
# Addresses.

def listing_url(base, day, page):
    return "%s%s?dcode=01&ccode=01&taishongpi=%s&Genre_id=010100&listcnt=%d" % (
        base, LISTING_PATH, day.strftime("%Y%m%d"), page)


def detail_url(base, code):
    return base + DETAIL_PREFIX_PATH + code


def image_url(base, name):
    return base + "/img/" + name


def link_for(base, title):
    """The link value the listing writes for a title, exactly as in the HTML (so with
    "&amp;" where the page has one): this is what the history and catalogue hold."""
    if title.link_kind == "jump":
        return "%s%s?ref=newlist&amp;url=%s" % (base, JUMP_PATH, detail_url(base, title.code))
    return detail_url(base, title.code)


# ---------------------------------------------------------------------------
# What the catalogue should hold.

_SAFE = str.maketrans({"\\": "￥", "/": "／", ":": "：", ",": "，", ";": "；", "*": "＊", "?": "？",
                       '"': "”", "<": "＜", ">": "＞", "|": "｜"})


def cover_file(title, temp_dir):
    """Field 17: the temporary folder, the ISBN (or the title made safe for a file
    name), and the cover's extension as written; temp_dir ends in a separator."""
    stem = title.isbn13 or title.expect_title.translate(_SAFE)
    ext = title.cover[title.cover.rfind("."):] if title.cover else ""
    return temp_dir + stem + ext


def catalogue_fields(title, base, listing_day, temp_dir):
    """The 17 fields of the title's catalogue line, as str, in order."""
    return [title.isbn13, title.expect_title, "", title.expect_authors, "", title.series,
            title.publisher, str(title.price), str(title.category_code), title.category_text,
            "0", listing_day.strftime("%Y%m%d"), str(title.page_count), title.size, "",
            link_for(base, title), cover_file(title, temp_dir)]


def catalogue_line(title, base, listing_day, temp_dir):
    """The whole catalogue line in Shift-JIS with CRLF, as the harvest should append it."""
    f = catalogue_fields(title, base, listing_day, temp_dir)
    q = lambda *xs: '","'.join(xs)  # noqa: E731
    text = ('"' + q(*f[0:7]) + '",' + ",".join(f[7:10]) + ",0," + f[11] + "," + f[12] + ',"' +
            q(*f[13:17]) + '"\r\n')
    return text.encode("cp932")
