"""HTML of the sample shop's pages, built from shopdata and encoded to Shift-JIS.

The markup imitates an older Japanese shop: tables, upper- and lower-case tags,
class attributes, "&amp;" in query strings, a few character references, and the
traps a careful harvest has to pass by (links and marker words outside the list,
an image before the item area, a class attribute with two names, a page whose
title only follows the third table). Every function returns bytes; the text is
cp932 throughout, so a character the shop cannot encode fails loudly here.
"""

import datetime
import html

import shopdata as sd

CHARSET = "Shift_JIS"
_WEEKDAYS = "月火水木金土日"


def esc(text):
    return html.escape(text, quote=False)


def _head(title, base):
    return ('<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01 Transitional//EN">\n'
            '<html lang="ja">\n<head>\n'
            '<meta http-equiv="Content-Type" content="text/html; charset=%s">\n'
            '<title>%s | オンライン書店kivo</title>\n'
            '<link rel="stylesheet" type="text/css" href="%s/css/kivo.css">\n'
            '</head>\n<body>\n' % (CHARSET, esc(title), base))


def _header(base, day):
    """The shop's header. "本日の新刊" without "月" must not open the list."""
    return ('<div id="header">\n'
            '<a href="%s/"><img src="%s" alt="kivo" width="120" height="40"></a>\n'
            '<ul class="globalNav">\n'
            '<li><a href="%s">本日の新刊一覧</a></li>\n'
            '<li><a href="%s/bec/SE/Ranking?Genre_id=010100&amp;term=week">ランキング</a></li>\n'
            '</ul>\n</div>\n' % (base, sd.image_url(base, "kivo_logo.jpg"),
                                 esc(sd.listing_url(base, day, 1)), base))


_FOOTER = ('<div id="footer">\n<table width="100%"><tr>'
           '<td>Copyright &copy; kivo Books&nbsp;Co.,&nbsp;Ltd.</td></tr></table>\n</div>\n'
           '</body>\n</html>\n')


def _day_text(day):
    return "%d月%d日（%s）" % (day.month, day.day, _WEEKDAYS[day.weekday()])


def _thumb(title):
    if not title.cover or title.cover == "nowprinting.jpg":
        return "nowprinting.jpg"
    return title.code + "_s.jpg"


def _listing_row(base, t):
    link = sd.link_for(base, t)  # already written as it stands in the page
    return ('<tr>\n'
            '<td class="photo" width="70"><a href="%s"><img src="%s" width="60" alt=""></a></td>\n'
            '<td class="title"><a href="%s">%s</a><br>\n'
            '<span class="author">%s</span>　<span class="publisher">%s</span></td>\n'
            '<td class="price" nowrap>%s</td>\n'
            '</tr>\n' % (link, sd.image_url(base, _thumb(t)), link, esc(t.title),
                         esc(" ".join(t.authors)), esc(t.publisher), esc(t.price_text)))


def listing_page(base, day, page):
    """Page `page` (1-based) of the day's list; past the last page, an empty list."""
    pages = sd.listing_pages(day)
    pick, rank = sd.outside_titles(day)
    out = [_head("%s の新刊" % _day_text(day), base), _header(base, day)]
    # Before the list: a detail link and a next-page text that must not count.
    out.append('<div class="pickup">\n<p>今週のおすすめ：<a href="%s">%s</a></p>\n'
               '<p class="note">一覧の続きは「次のページへ」からご覧いただけます。</p>\n</div>\n' %
               (sd.detail_url(base, pick.code), esc(pick.title)))
    out.append('<table class="newList" width="100%%" cellpadding="2" cellspacing="0">\n'
               '<tr><td colspan="3" class="listDate"><b>%s 本日の新刊</b></td></tr>\n' %
               _day_text(day))
    if page <= len(pages):
        for heading, titles in pages[page - 1]:
            out.append('<tr><td colspan="3" class="genre"><a name="g%d"></a>%s</td></tr>\n' %
                       (titles[0].category_code, esc(heading)))
            out.extend(_listing_row(base, t) for t in titles)
        if page < len(pages):
            out.append('<tr><td colspan="3" class="next" align="right">'
                       '<a href="%s">次のページへ &gt;&gt;</a></td></tr>\n' %
                       esc(sd.listing_url(base, day, page + 1)))
    else:
        out.append('<tr><td colspan="3">このページに表示できる新刊はありません。</td></tr>\n')
    out.append('</table>\n')
    # The end marker, then a detail link and a next-page text after the list.
    out.append('<p class="dateIndex"><a href="%s/bec/SE/Calendar?ym=%04d%02d&amp;Genre_id=010100">'
               '[日付別新刊ページ]</a></p>\n' % (base, day.year, day.month))
    out.append('<div class="ranking">\n<h3>売れ筋ランキング</h3>\n'
               '<ol><li><a href="%s">%s</a></li></ol>\n'
               '<p><a href="%s">次のページへ</a></p>\n</div>\n' %
               (sd.detail_url(base, rank.code), esc(rank.title),
                sd.listing_url(base, day, 1).replace("&", "&amp;")))
    out.append(_FOOTER)
    return "".join(out).encode("cp932")


def _item_rows(t):
    rows = [("商品コード", t.code), ("出版年月", t.published), ("出版社名", t.publisher),
            ("ISBNコード", t.isbn_text)]
    # The page-count row sits before the price row when its label is the bare one, so
    # a page shows that a label without its value does not spoil the next row.
    if t.pages_label == sd.LABEL_PAGES_BARE:
        rows += [(t.pages_label, t.pages_text), ("税込価格", t.price_text)]
    else:
        rows += [("税込価格", t.price_text), (t.pages_label, t.pages_text)]
    if t.series_row:
        rows.append(("シリーズ名", t.series_row))
    return "".join('<tr><th class="label" nowrap>%s</th><td class="value">%s</td></tr>\n' %
                   (esc(k), esc(v)) for k, v in rows)


def _pickup_box(base, t):
    """A recommendation above the item: an image before the item area, and a class
    attribute with two names that is no item title."""
    pick, _ = sd.outside_titles(sd.parse_day(t.code[2:10]) or sd.parse_day("20010401"))
    return ('<div class="pickup">\n<p class="itemTitle pickup">この本を読んだ人はこんな本も</p>\n'
            '<a href="%s"><img src="%s" width="60" alt=""></a>\n</div>\n' %
            (sd.detail_url(base, pick.code), sd.image_url(base, pick.code + "_s.jpg")))


def _modern_item(base, t):
    img = ['<img src="%s" alt="NEW" width="32" height="16">\n' %
           sd.image_url(base, "icon_new.gif")]
    if t.cover:
        img.append('<img src="%s" alt="%s" width="160">\n' %
                   (sd.image_url(base, t.cover), esc(t.title)))
        # A second .jpg in the item area; only the first one is the cover.
        img.append('<a href="%s/bec/SA/Tachiyomi?refShinCode=%s&amp;p=1"><img src="%s" alt="立ち読み">'
                   '</a>\n' % (base, t.code, sd.image_url(base, "btn_tachiyomi.jpg")))
    detail = '<p class="itemdetail">%s</p>\n' % esc(t.item_detail) if t.item_detail else ""
    return ('<div class="mainItemLayout">\n'
            '<div class="itemPhoto">\n%s</div>\n'
            '<div class="itemInfo">\n'
            '<p class="%s">%s</p>\n'
            '<ul class="authorsName">%s</ul>\n'
            '%s'
            '<div class="mainItemTable">\n'
            '<table class="itemTable" summary="商品の詳細" cellspacing="0">\n%s</table>\n'
            '</div>\n</div>\n</div>\n' %
            ("".join(img), t.title_class, esc(t.title),
             "".join("<li>%s</li>" % esc(a) for a in t.authors), detail, _item_rows(t)))


def _legacy_item(base, t):
    """The shop's older page: no title class; the title follows the third table and the
    item table is the fourth. Upper-case tags and an unquoted image address."""
    return ('<DIV CLASS="MainItemLayout">\n'
            '<TABLE WIDTH="100%%" class="frame"><TR><TD VALIGN=top>\n'
            '<IMG SRC=%s WIDTH=160 ALT="">\n'
            '</TD><TD>\n'
            '<TABLE class="crumb"><TR><TD>コミック &gt; 少年・青年コミック</TD></TR></TABLE>\n'
            '<TABLE class="name"><TR><TD><B>%s</B></TD></TR></TABLE>\n'
            '<ul class="authorsName">%s</ul>\n'
            '<TABLE class="itemSpec" BORDER=0>\n%s</TABLE>\n'
            '<TABLE class="buy"><TR><TD>&nbsp;</TD><TD><A HREF="#cart">カートに入れる</A></TD></TR>'
            '</TABLE>\n'
            '</TD></TR></TABLE>\n</DIV>\n' %
            (sd.image_url(base, t.cover), esc(t.title),
             "".join("<li>%s</li>" % esc(a) for a in t.authors), _item_rows(t)))


def detail_page(base, t):
    out = [_head(t.title, base), _header(base, sd.parse_day(t.code[2:10]) or
                                         sd.parse_day("20010401"))]
    out.append('<div id="breadcrumb"><a href="%s/">トップ</a> &gt; 本 &gt; %s</div>\n' %
               (base, esc(t.title)))
    out.append(_pickup_box(base, t))
    out.append(_modern_item(base, t) if t.layout == "modern" else _legacy_item(base, t))
    out.append('<div class="cart"><img src="%s" alt=""><a href="#cart">カートに入れる</a>'
               '<p>ご注文から2～3日で発送します。</p></div>\n' % sd.image_url(base, "cart.gif"))
    out.append(_FOOTER)
    return "".join(out).encode("cp932")


def top_page(base, today):
    days = [today - datetime.timedelta(days=i) for i in range(7)]
    items = "".join('<li><a href="%s">%s の新刊</a></li>\n' %
                    (esc(sd.listing_url(base, d, 1)), _day_text(d)) for d in days)
    return (_head("トップ", base) + _header(base, today) +
            '<h1>オンライン書店kivo（見本）</h1>\n'
            '<p>これは見本の書店です。どの日付の新刊一覧も表示できます。</p>\n'
            '<ul class="days">\n%s</ul>\n' % items + _FOOTER).encode("cp932")


def in_utf8(body):
    """The same page in UTF-8, declared with <meta charset> instead of the Shift-JIS
    http-equiv line: what the shop would send if it moved to UTF-8 (shop.py --utf8)."""
    if not body:  # a redirect's
        return body
    declared = '<meta http-equiv="Content-Type" content="text/html; charset=%s">' % CHARSET
    text = body.decode("cp932")
    if declared not in text:
        raise ValueError("a page without the Shift-JIS declaration")
    return text.replace(declared, '<meta charset="UTF-8">', 1).encode("utf-8")


def not_found_page(base):
    return (_head("ページが見つかりません", base) +
            '<h1>ページが見つかりません</h1>\n<p>お探しのページは見つかりませんでした。</p>\n'
            '<p><a href="%s/">トップへ戻る</a></p>\n' % base + _FOOTER).encode("cp932")


STYLESHEET = (b"body{font-family:sans-serif;margin:8px}"
              b"table.newList td{border-bottom:1px solid #ddd}"
              b".genre{background:#336;color:#fff;font-weight:bold}"
              b".itemTable th{text-align:left;background:#eee}"
              b".pickup{float:right;width:180px;font-size:small}\n")
