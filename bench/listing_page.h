// A generated new-release listing page in Shift-JIS, shaped like the shop's
// real ones: a head with meta, style and script, navigation, then one table
// row per title with a cover image, links whose query strings hold "&amp;",
// class attributes, Japanese titles, authors and prices, and a few other
// references; indented lines ending in CR LF. Deterministic for a given size.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::bench {

namespace page_words {
// Shift-JIS bytes; the readable text beside each.
inline constexpr const char* kListTitle = "\x96\x7b\x93\xfa\x82\xcc\x90\x56\x8a\xa7";  // 本日の新刊
inline constexpr const char* kBy = "\x92\x98";                                         // 著
inline constexpr const char* kTranslated = "\x96\xf3";                                 // 訳
inline constexpr const char* kYenTaxIn = "\x89\x7e\x81\x69\x90\xc5\x8d\x9e\x81\x6a";  // 円（税込）
inline constexpr const char* kNo = "\x91\xe6";                                        // 第
inline constexpr const char* kVolume = "\x8a\xaa";                                    // 巻
inline constexpr const char* kReleaseDate = "\x94\xad\x94\x84\x93\xfa";               // 発売日
inline constexpr const char* kNext = "\x8e\x9f\x82\xd6";                              // 次へ
inline constexpr const char* kPrev = "\x91\x4f\x82\xd6";                              // 前へ
inline constexpr const char* kOf = "\x8c\x8f\x92\x86";                                // 件中
inline constexpr const char* kSoftCover =
    "\x83\x5c\x83\x74\x83\x67\x83\x4a\x83\x6f\x81\x5b";      // ソフトカバー
inline constexpr const char* kReserve = "\x97\x5c\x96\xf1";  // 予約
inline constexpr const char* kWideSpace = "\x81\x40";        // 　
inline constexpr const char* kTitleWords[] = {
    "\x95\xb6\x8c\xc9",                  // 文庫
    "\x95\xa8\x8c\xea",                  // 物語
    "\x8e\x45\x90\x6c\x8e\x96\x8c\x8f",  // 殺人事件
    "\x8f\x74\x82\xcc",                  // 春の
    "\x89\xc4\x82\xcc",                  // 夏の
    "\x8f\x48\x82\xcc",                  // 秋の
    "\x93\x7e\x82\xcc",                  // 冬の
    "\x93\x8c\x8b\x9e",                  // 東京
    "\x8b\x9e\x93\x73",                  // 京都
    "\x94\x4c\x82\xc6",                  // 猫と
    "\x97\xb7",                          // 旅
    "\x97\xbf\x97\x9d",                  // 料理
    "\x93\xfc\x96\xe5",                  // 入門
    "\x97\xf0\x8e\x6a",                  // 歴史
    "\x95\x5c\x8e\x86",                  // 表紙
    "\x94\x5c\x97\xcd",                  // 能力
};
inline constexpr const char* kPublishers[] = {
    "\x90\xc2\x97\x74\x8f\x91\x96\x5b",  // 青葉書房
    "\x94\x92\x90\xec\x8f\x6f\x94\xc5",  // 白川出版
    "\x8c\x8e\x8c\xf5\x8e\xd0",          // 月光社
};
inline constexpr const char* kAuthors[] = {
    "\x8e\x52\x93\x63\x91\xbe\x98\x59",  // 山田太郎
    "\x8d\xb2\x93\xa1\x89\xd4\x8e\x71",  // 佐藤花子
    "\x97\xe9\x96\xd8\x88\xea\x98\x59",  // 鈴木一郎
    "\x8d\x82\x8b\xb4\x94\xfc\x8d\xe7",  // 高橋美咲
};
}  // namespace page_words

// A listing page of about target_bytes bytes (at least one title row).
inline std::string MakeListingPage(std::size_t target_bytes) {
  using namespace page_words;
  std::uint32_t seed = 12345;
  auto rnd = [&seed](std::uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  std::string p;
  p.reserve(target_bytes + 4096);
  auto line = [&p](int indent, std::string_view text) {
    p.append(static_cast<std::size_t>(indent) * 2, ' ');
    p.append(text);
    p.append("\r\n");
  };

  line(0, "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">");
  line(0, "<html lang=\"ja\">");
  line(0, "<head>");
  line(1, "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">");
  line(1, std::string("<title>") + kListTitle + " | kivo</title>");
  line(1, "<link rel=\"stylesheet\" type=\"text/css\" href=\"/css/common.css?v=20240101\">");
  line(1, "<script type=\"text/javascript\">");
  line(1, "<!--");
  line(2, "function go(u) { if (u.length > 0 && u.indexOf('?') < 0) location.href = u; }");
  line(1, "// -->");
  line(1, "</script>");
  line(0, "</head>");
  line(0, "<body class=\"list\">");
  line(0, "<!-- header -->");
  line(0, "<div id=\"header\"><a href=\"/\"><img src=\"/img/logo.gif\" alt=\"kivo\"></a></div>");
  line(0,
       "<div class=\"breadcrumb\"><a href=\"/\">TOP</a> &gt; <a href=\"/bec/SE/Genre?dcode=01"
       "&amp;ccode=01\">" +
           std::string(kListTitle) + "</a></div>");
  line(0, "<table class=\"list-table\" width=\"100%\" cellpadding=\"0\" cellspacing=\"0\">");

  for (int n = 0; p.size() < target_bytes; ++n) {
    const std::string isbn = "97840" + std::to_string(10000000 + n * 7919 % 90000000);
    const std::string link = "/bec/SE/Detail?isbn=" + isbn + "&amp;dcode=01&amp;ccode=01";
    std::string title;
    for (int w = 0, words = 2 + static_cast<int>(rnd(3)); w < words; ++w) {
      title += kTitleWords[rnd(sizeof kTitleWords / sizeof *kTitleWords)];
    }
    title += std::string(kWideSpace) + kNo + std::to_string(1 + rnd(20)) + kVolume;
    const char* author = kAuthors[rnd(4)];
    const char* publisher = kPublishers[rnd(3)];
    const std::string price = std::to_string(1 + rnd(3)) + "," + std::to_string(100 + rnd(900));

    line(1, "<tr class=\"list-row\">");
    line(2, "<td class=\"thumb\" valign=\"top\">");
    line(3, "<a href=\"" + link + "\"><img src=\"/images/cover/" + isbn + ".jpg\" alt=\"" + title +
                "\" width=\"80\" height=\"120\" border=\"0\"></a>");
    line(2, "</td>");
    line(2, "<td class=\"info\" valign=\"top\">");
    line(3, "<p class=\"title\"><a href=\"" + link + "\">" + title + "</a></p>");
    line(3, std::string("<p class=\"author\">") + author + "&nbsp;" + kBy +
                (n % 5 == 0 ? std::string(" / ") + kAuthors[rnd(4)] + " " + kTranslated : "") +
                "</p>");
    line(3, std::string("<p class=\"publisher\">") + publisher + "&nbsp;&nbsp;" + kReleaseDate +
                "&#65306;2024/01/" + std::to_string(10 + n % 20) + "</p>");
    line(3, "<p class=\"price\">" + price + kYenTaxIn + (n % 3 == 0 ? " &lt;" : " ") + kSoftCover +
                (n % 3 == 0 ? "&gt;" : "") + "</p>");
    if (n % 4 == 0) {
      line(3,
           std::string("<span class=\"badge\">") + kReserve + " &amp; " + kListTitle + "</span>");
    }
    line(2, "</td>");
    line(1, "</tr>");
  }

  line(0, "</table>");
  line(0, std::string("<div class=\"pager\"><a href=\"/bec/SE/Genre?dcode=01&amp;ccode=01&amp;"
                      "listcnt=1\">") +
              kPrev + "</a> 1-20 " + kOf +
              " <a href=\"/bec/SE/Genre?dcode=01&amp;ccode=01&amp;listcnt=2\">" + kNext +
              "</a></div>");
  line(0, "<div id=\"footer\">&copy; kivo</div>");
  line(0, "</body>");
  line(0, "</html>");
  return p;
}

// The page's lines without their CR LF, as the page file would be loaded.
inline std::vector<std::string> SplitPageLines(std::string_view page) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < page.size()) {
    std::size_t nl = page.find('\n', start);
    if (nl == std::string_view::npos) nl = page.size();
    std::size_t stop = (nl > start && page[nl - 1] == '\r') ? nl - 1 : nl;
    lines.emplace_back(page.substr(start, stop - start));
    start = nl + 1;
  }
  return lines;
}

}  // namespace kivo::bench
