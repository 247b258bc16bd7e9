// Every title once through a user's bad month: a history lost, damaged or
// pruned too early, the same page linked in other ways, a clock that jumps,
// a shop that offers pages without end or pages that say nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "harvest/harvest_fixture.h"
#include "protocol/exit_code.h"

namespace kivo::testing {
namespace {

namespace fs = std::filesystem;

constexpr CivilDate kDec8{2026, 12, 8};
constexpr CivilDate kDec7{2026, 12, 7};
constexpr int kTransient = static_cast<int>(protocol::ExitCode::kFailed);
constexpr int kGone = static_cast<int>(protocol::ExitCode::kGone);

ListingPage Links(const std::vector<std::string>& hrefs) {
  ListingPage page = ListingPage().Start();
  for (const auto& href : hrefs) page.Raw("<a href=\"" + href + "\">x</a>\r\n");
  return page.End();
}

class BadMonthTest : public HarvestTest {
 protected:
  // One run of a fresh process on `day` at 10:00.
  void RunOn(const CivilDate& day, int before_days = 0) {
    host_.SetClock({day, 10, 0, 0, 0});
    Create(before_days);
    RunHarvest();
  }
  std::string Unfinished() const {
    return platform::IniRead(HostFile("Quillcast.ini"), "kivo", "UnfinishedDays");
  }
};

TEST_F(BadMonthTest, TheCatalogueHasTheLastWordWhateverBecameOfTheHistory) {
  // The window was 0 days while the history was pruned at 90 days, then
  // widened past 90: the titles of the day that comes back are in the
  // catalogue, not in the history.
  const CivilDate sep6{2026, 9, 6}, oct21{2026, 10, 21}, dec6{2026, 12, 6};
  Day(sep6, {Titles({"A", "B"})});
  Day(oct21, {Titles({"X"})});
  Details({"A", "B", "X"});
  RunOn(sep6);
  RunOn(oct21);
  RunOn(dec6);  // 91 days after A and B: their entries go
  ASSERT_EQ(TitleEntries("A"), 0);
  host_.commands.clear();
  RunOn(kDec7, 92);
  EXPECT_EQ(FetchCount(DetailLink("A")) + FetchCount(DetailLink("B")), 0);
  EXPECT_EQ(TitleLines("A") + TitleLines("B"), 2);
  EXPECT_EQ(TitleEntries("A") + TitleEntries("B"), 2);  // restored as the list named them

  // The history lost altogether: nothing is fetched or written again.
  fs::remove(HostFile("kivo.txt"));
  fs::remove_all(HostFile("old"));
  host_.commands.clear();
  RunOn(kDec7, 92);
  EXPECT_EQ(FetchCount(DetailLink("A")) + FetchCount(DetailLink("X")), 0);
  EXPECT_EQ(TitleLines("A") + TitleLines("X"), 2);
}

TEST_F(BadMonthTest, OnePageLinkedInOtherWaysIsOneTitle) {
  const std::string a_again = "hTtp://SHOP.test:80/bec/SA/Detail?refShinCode=A#top";
  const std::string b_first = "http://shop.test/bec/SA/Detail?from=list&refShinCode=B";
  const std::string b_again = "https://shop.test/bec/SA/Detail?refShinCode=B&from=list";
  Day(kDec7, {Links({DetailLink("A"), b_first, a_again, b_again})});
  Details({"A"});
  Page(b_first, DetailPage("B"));
  RunOn(kDec7);
  // The item named after another parameter is the shop's link too.
  EXPECT_EQ(Fetched(), (std::vector<std::string>{ListingUrl(kDec7, 1), DetailLink("A"), b_first}));
  EXPECT_EQ(TitleLines("A") + TitleLines("B"), 2);
  // Each link went to the files as the shop wrote it.
  EXPECT_EQ(Occurrences("kivo.txt", b_first), 1);

  // Listed again another way by a later day: known.
  Day(kDec8, {Links({"HTTPS://shop.test/bec/SA/Detail?refShinCode=A"})});
  host_.commands.clear();
  RunOn(kDec8);
  EXPECT_EQ(Fetched(), std::vector<std::string>{ListingUrl(kDec8, 1)});
}

TEST_F(BadMonthTest, AShopThatChangedItsLinksSaysSo) {
  // The detail page, but the item named by a parameter the plugin does not
  // know: nothing can be fetched, and the user hears of it.
  Day(kDec7, {Links({"http://shop.test/bec/SA/Detail?itemCode=A",
                     "http://shop.test/bec/SA/Detail#refShinCode=B"})});
  RunOn(kDec7);
  EXPECT_EQ(Fetched(), std::vector<std::string>{ListingUrl(kDec7, 1)});
  EXPECT_EQ(view_.status_text, texts::kPagesChanged);
}

TEST_F(BadMonthTest, AClockSetBackKeepsTheDaysAheadOfIt) {
  Day(kDec8, {Titles({"A"})});
  Day(kDec7, {Titles({})});
  Details({"A"});
  exit_codes_[DetailLink("A")] = kTransient;
  RunOn(kDec8);
  ASSERT_EQ(Unfinished(), "20261208");
  exit_codes_.clear();
  host_.commands.clear();
  RunOn(kDec7);  // a day back: 8 December lies ahead, and is walked
  EXPECT_EQ(Fetched(), (std::vector<std::string>{ListingUrl(kDec7, 1), ListingUrl(kDec8, 1),
                                                 DetailLink("A")}));
  EXPECT_EQ(TitleLines("A"), 1);
  EXPECT_EQ(Unfinished(), "");
}

TEST_F(BadMonthTest, AClockRunAheadAndPutRightLosesNothing) {
  Day(kDec7, {Titles({"A", "G"})});
  Details({"A"});
  exit_codes_[DetailLink("G")] = kGone;
  RunOn(kDec7);
  ASSERT_EQ(TitleEntries("A") + TitleEntries("G"), 2);
  RunOn({2027, 6, 25});  // the clock months ahead; its day has no listing
  host_.commands.clear();
  RunOn(kDec8, 1);  // put right
  // The title written and the page the shop said was gone stay known.
  EXPECT_EQ(Fetched(), (std::vector<std::string>{ListingUrl(kDec8, 1), ListingUrl(kDec7, 1),
                                                 ListingUrl({2027, 6, 25}, 1)}));
  EXPECT_EQ(TitleLines("A"), 1);
  EXPECT_EQ(TitleEntries("A") + TitleEntries("G"), 2);
}

TEST_F(BadMonthTest, EveryWalkEnds) {
  const CivilDate dec6{2026, 12, 6};
  for (int page = 1; page <= 150; ++page) {
    // 8 December: the same page again and again.
    Page(ListingUrl(kDec8, page), Titles({"C"}, true).Html());
    // 7 December: empty pages after the real ones, each offering the next.
    Page(ListingUrl(kDec7, page), Titles(page == 1   ? std::vector<std::string>{"A"}
                                         : page == 2 ? std::vector<std::string>{"B"}
                                                     : std::vector<std::string>{},
                                         true)
                                      .Html());
    // 6 December: a new title on every page, past any real day.
    const std::string code = "N" + std::to_string(page);
    Page(ListingUrl(dec6, page), Titles({code}, true).Html());
    Details({code});
  }
  Details({"A", "B", "C"});
  RunOn(kDec8, 2);
  const std::vector<std::string> fetched = Fetched();
  EXPECT_EQ(std::vector<std::string>(fetched.begin(), fetched.begin() + 8),
            (std::vector<std::string>{ListingUrl(kDec8, 1), DetailLink("C"), ListingUrl(kDec8, 2),
                                      ListingUrl(kDec7, 1), DetailLink("A"), ListingUrl(kDec7, 2),
                                      DetailLink("B"), ListingUrl(kDec7, 3)}));
  // The first two ended complete: archived, nothing left to the next run.
  EXPECT_TRUE(fs::exists(ArchiveFile("261207")));
  EXPECT_TRUE(fs::exists(ArchiveFile("261208")));
  // The third stopped at the cap, unfinished, and said so.
  EXPECT_EQ(FetchCount(ListingUrl(dec6, 100)), 1);
  EXPECT_EQ(FetchCount(ListingUrl(dec6, 101)), 0);
  const std::string why = std::string("12") + texts::kMonth + "6" + texts::kDay +
                          texts::kListingOf + "100" + texts::kPagesCapped;
  EXPECT_EQ(view_.status_text, why);
  EXPECT_EQ(CountLog("Quillcas.log: " + why + " (C.ERROR)"), 1);
  EXPECT_EQ(Unfinished(), "20261206");
  EXPECT_FALSE(fs::exists(ArchiveFile("261206")));
}

TEST_F(BadMonthTest, AHandEditedHistoryIsReadAsFarAsItCanBe) {
  Day(kDec7, {Titles({"A", "B", "C", "D"})});
  Details({"A", "B", "C", "D"});
  // Saved by an editor as UTF-8 with a mark, LF and lone CR line ends,
  // blank lines, and an entry old enough to go.
  WriteAll(HostFile("kivo.txt"),
           "\xEF\xBB\xBF"
           "20261201" +
               DetailLink("A") + "\n20261201" + DetailLink("B") + "\r\r\n\n20261201" +
               DetailLink("C") + "\r\n20260101" + DetailLink("X") + "\r\n");
  RunOn(kDec7);
  EXPECT_EQ(Fetched(), (std::vector<std::string>{ListingUrl(kDec7, 1), DetailLink("D")}));
  EXPECT_EQ(ReadAll(HostFile("kivo.txt")),
            HistoryText({"20261201" + DetailLink("A"), "20261201" + DetailLink("B"),
                         "20261201" + DetailLink("C"), "20261207" + DetailLink("D")}));
}

TEST_F(BadMonthTest, APageThatSaysNothingIsTriedByThreeRunsThenRecorded) {
  // "この商品は存在しません" where the title's page was: for good, as it turns
  // out. A page that does not answer keeps being tried.
  Day(kDec7, {Titles({"A"})});
  Day({2026, 12, 6}, {Titles({"B"})});
  Page(DetailLink("A"),
       "<html><body><p>\x82\xb1\x82\xcc\x8f\xa4\x95\x69\x82\xcd\x91\xb6\x8d\xdd\x82\xb5\x82\xdc"
       "\x82\xb9\x82\xf1</p></body></html>");
  exit_codes_[DetailLink("B")] = kTransient;
  for (int run = 1; run <= 2; ++run) {
    RunOn(kDec7, 1);
    EXPECT_EQ(TitleEntries("A"), 0);
    EXPECT_FALSE(fs::exists(ArchiveFile("261207")));
  }
  RunOn(kDec7, 1);
  EXPECT_EQ(TitleEntries("A"), 1);
  EXPECT_EQ(CountLog("Quillcas.log: " + std::string(texts::kEmptyPageRecorded) + DetailLink("A") +
                     " (C.ERROR)"),
            1);
  EXPECT_TRUE(fs::exists(ArchiveFile("261207")));
  EXPECT_EQ(Unfinished(), "20261206");
  host_.commands.clear();
  RunOn(kDec7, 1);
  EXPECT_EQ(FetchCount(DetailLink("A")), 0);
  EXPECT_EQ(FetchCount(DetailLink("B")), 1);
  EXPECT_EQ(TitleEntries("B"), 0);
}

}  // namespace
}  // namespace kivo::testing
