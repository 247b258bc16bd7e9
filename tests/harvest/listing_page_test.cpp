// Reading a listing page without files or a shop: where the list opens and
// closes, its headings, and which link tags give the shop's detail links.
#include "harvest/listing_page.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_shop.h"

namespace kivo {
namespace {

using testing::DetailLink;
using testing::kShopBase;
using testing::ListingPage;
using Kind = ListingEvent::Kind;

constexpr char kStart[] =
    "12\x8c\x8e"
    "7\x93\xfa \x96{\x93\xfa\x82\xcc\x90V\x8a\xa7";  // "12月7日 本日の新刊"
constexpr char kTodayList[] =
    "\x96{\x93\xfa\x82\xcc\x90V\x8a\xa7\x88\xea\x97\x97";  // "本日の新刊一覧"
// "本日の新刊 旧次": 旧 ends in 0x8C and 次 begins with 0x8E, the bytes of 月.
constexpr char kFalseMonth[] = "\x96{\x93\xfa\x82\xcc\x90V\x8a\xa7 \x8b\x8c\x8e\x9f";
constexpr char kEnd[] =
    "[\x93\xfa\x95t\x95\xca\x90V\x8a\xa7\x83y\x81[\x83W]";           // "[日付別新刊ページ]"
constexpr char kNext[] = "\x8e\x9f\x82\xcc\x83y\x81[\x83W\x82\xd6";  // "次のページへ"
constexpr char kTriangle[] = "\x81\xa5";                             // "▼"
constexpr char kBunko[] = "\x95\xb6\x8c\xc9\x81\x45\x90V\x8f\x91";   // "文庫・新書"
constexpr char kComic[] = "\x83R\x83~\x83\x62\x83N";                 // "コミック"
constexpr char kTankobon[] = "\x92P\x8ds\x96{";                      // "単行本"
constexpr char kZenSpace[] = "\x81@";                                // "　"

std::string Link(const std::string& href) { return "<a href=\"" + href + "\">x</a>"; }

// The page's events, with the reader's counts.
struct Read {
  std::vector<ListingEvent> events;
  bool found_list = false;
  int unusable = 0;
};

Read ReadPage(const std::string& html) {
  THTMLParser parser;
  parser.Lines = {html};
  parser.Parse();
  TListingReader reader(kShopBase);
  Read read;
  for (std::size_t i = 0; i < parser.Nodes.size(); ++i) {
    ListingEvent event = reader.Read(*parser.Nodes[i]);
    if (event.kind != Kind::kNothing) read.events.push_back(std::move(event));
  }
  read.found_list = reader.FoundList();
  read.unusable = reader.UnusableLinks();
  return read;
}

std::vector<std::string> LinksOf(const Read& read) {
  std::vector<std::string> links;
  for (const auto& e : read.events) {
    if (e.kind == Kind::kLink) links.push_back(e.link);
  }
  return links;
}

TEST(ListingReader, TheListOpensOnlyAtTodaysNewBooksWithAMonth) {
  const Read read = ReadPage(ListingPage()
                                 .Text(kTodayList)
                                 .Raw(Link(DetailLink("A")))
                                 .Text(std::string("\x8c\x8e"))  // "月" alone
                                 .Raw(Link(DetailLink("B")))
                                 .Text(kFalseMonth)
                                 .Raw(Link(DetailLink("C")))
                                 .Text(kStart)
                                 .Raw(Link(DetailLink("D")))
                                 .Html());
  EXPECT_EQ(LinksOf(read), std::vector<std::string>{DetailLink("D")});
  EXPECT_TRUE(read.found_list);
  EXPECT_FALSE(ReadPage(ListingPage().Text(kTodayList).Html()).found_list);
}

TEST(ListingReader, TheEndMarkerWinsOverTheNextPageInOneTextAndTheListCanReopen) {
  const Read read = ReadPage(ListingPage()
                                 .Text(kNext)  // before the list
                                 .Start()
                                 .Text(std::string(kEnd) + " " + kNext)
                                 .Raw(Link(DetailLink("A")))
                                 .Text(kNext)
                                 .Start()
                                 .Raw(Link(DetailLink("B")))
                                 .Html());
  ASSERT_EQ(read.events.size(), 1u);
  EXPECT_EQ(read.events[0].link, DetailLink("B"));
}

TEST(ListingReader, CategoryHeadings) {
  struct Case {
    std::string text;
    int code;
    std::string category;
  };
  const std::vector<Case> cases = {
      {std::string(kTriangle) + kBunko, 1, kBunko},
      {std::string(kTriangle) + kComic, 2, kComic},
      // All three: the first test wins.
      {std::string(kTriangle) + kBunko + kComic, 1, std::string(kBunko) + kComic},
      {std::string(kTriangle) + kComic + kBunko, 1, std::string(kComic) + kBunko},
      // Neither word: 0, and every triangle removed.
      {std::string(kTriangle) + kTankobon + kTriangle, 0, kTankobon},
      // Trimmed before the test; nothing else removed.
      {std::string(kZenSpace) + kTriangle + kComic + " x,y" + kZenSpace, 2,
       std::string(kComic) + " x,y"},
  };
  for (const Case& c : cases) {
    const Read read = ReadPage(ListingPage().Start().Text(c.text).End().Html());
    ASSERT_EQ(read.events.size(), 1u) << c.category;
    EXPECT_EQ(read.events[0].kind, Kind::kHeading);
    EXPECT_EQ(read.events[0].category_code, c.code) << c.category;
    EXPECT_EQ(read.events[0].category_text, c.category);
  }
  // Outside the list a heading means nothing.
  EXPECT_TRUE(ReadPage(ListingPage()
                           .Text(std::string(kTriangle) + kComic)
                           .Start()
                           .End()
                           .Text(std::string(kTriangle) + kComic)
                           .Html())
                  .events.empty());
}

TEST(ListingReader, OnlyTheShopsDetailLinksInTheListAreTaken) {
  const Read read = ReadPage(
      ListingPage()
          .Raw(Link(DetailLink("A")))  // before the list
          .Start()
          .Raw("<a>no attributes</a>")
          .Raw("</a href=\"" + DetailLink("B") + "\">")  // an end tag
          .Raw("<area href=\"" + DetailLink("C") + "\">")
          .Raw("<a title=\"" + DetailLink("D") + "\">not an href</a>")
          .Raw(Link(std::string(kShopBase) + "/bec/SA/List?refShinCode=E"))
          .Raw(Link("https://www.kivo.co.jp/bec/SA/Detail?refShinCode=F"))  // unusable
          .Raw(Link(std::string(kShopBase) + "/bec/SA/Detail?refShinCode=Q\",\""))
          .Raw("<A HrEf=\"" + DetailLink("G") + "\">any case</A>")
          // A later matching attribute of the same tag wins.
          .Raw("<a href=\"" + DetailLink("H") + "\" href=\"" + DetailLink("I") + "\">")
          // The cover and the title of one item, written two ways.
          .Raw(Link(DetailLink("J")) + Link("HTTP://SHOP.TEST/bec/SA/Detail?refShinCode=J"))
          .End()
          .Raw(Link(DetailLink("K")))  // after the list
          .Html());
  EXPECT_EQ(LinksOf(read),
            (std::vector<std::string>{DetailLink("G"), DetailLink("I"), DetailLink("J")}));
  EXPECT_EQ(read.events.back().canonical, "http://shop.test/bec/SA/Detail?refShinCode=J");
  EXPECT_EQ(read.unusable, 2);
}

}  // namespace
}  // namespace kivo
