// The listing page analysis on saved pages: the list markers, the category
// headings, the link tags and the history test, the attempt loop, Skip and
// Stop, the log lines, and the detail file removed on every way out.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "harvest/harvest_fixture.h"

namespace kivo {
namespace {

namespace fs = std::filesystem;
using testing::DetailLink;
using testing::HarvestTest;
using testing::ListingPage;
using testing::ReadAll;
using testing::WriteAll;

// Shift-JIS texts of the pages.
constexpr char kStart[] =
    "12\x8c\x8e"
    "7\x93\xfa \x96{\x93\xfa\x82\xcc\x90V\x8a\xa7";  // "12月7日 本日の新刊"
constexpr char kTodayList[] =
    "\x96{\x93\xfa\x82\xcc\x90V\x8a\xa7\x88\xea\x97\x97";            // "本日の新刊一覧"
constexpr char kNext[] = "\x8e\x9f\x82\xcc\x83y\x81[\x83W\x82\xd6";  // "次のページへ"
constexpr char kTriangle[] = "\x81\xa5";                             // "▼"
constexpr char kBunko[] = "\x95\xb6\x8c\xc9\x81\x45\x90V\x8f\x91";   // "文庫・新書"

std::string Link(const std::string& href, const std::string& text = "x") {
  return "<a href=\"" + href + "\">" + text + "</a>";
}

class ListingTest : public HarvestTest {
 protected:
  void SetUp() override {
    Create(0);
    // What HarvestRun sets before it analyses any page.
    harvest_->Run.ListingDay = {2026, 12, 7};
  }
  // Writes the listing file and analyses it.
  void Analyze(const std::string& page) {
    WriteAll(ListingFile(), page);
    harvest_->AnalyzeListing();
  }
  std::vector<std::string> History() const { return state_.FHistory.Entries(); }
  std::string Entry(const std::string& link) const { return "20261207" + link; }
};

// ---- The list and its markers ------------------------------------------------------

TEST_F(ListingTest, AMissingListingFileChangesNothing) {
  WriteAll(DetailFile(), "left over");
  harvest_->Run.NextPageFound = false;
  harvest_->Run.CategoryCode = 2;
  harvest_->Run.CategoryText = "keep";
  harvest_->AnalyzeListing();
  EXPECT_TRUE(LogLines().empty());
  EXPECT_TRUE(host_.commands.empty());
  EXPECT_EQ(ReadAll(DetailFile()), "left over");
  EXPECT_FALSE(harvest_->Run.NextPageFound);
  EXPECT_EQ(harvest_->Run.CategoryCode, 2);
}

TEST_F(ListingTest, APageWithoutTheListFetchesNothingAndLogsTheNodesWalked) {
  harvest_->Run.CategoryCode = 2;
  harvest_->Run.CategoryText = "keep";
  // Eight nodes: html, p, text, /p, a, text, /a, /html.
  Analyze("<html><p>" + std::string(kNext) + kTriangle + kBunko + "</p>" + Link(DetailLink("A")) +
          "</html>");
  EXPECT_TRUE(host_.commands.empty());
  EXPECT_EQ(LogLines(), (std::vector<std::string>{ListingFile(), "h = 8"}));
  EXPECT_FALSE(harvest_->Run.NextPageFound);
  EXPECT_EQ(harvest_->Run.CategoryCode, 2);
  EXPECT_EQ(harvest_->Run.CategoryText, "keep");
}

TEST_F(ListingTest, TheNextPageLinkCountsOnlyInsideTheList) {
  Analyze(ListingPage().Text(kNext).Start().End().Text(kNext).Html());
  EXPECT_FALSE(harvest_->Run.NextPageFound);
  Analyze(ListingPage()
              .Start()
              .Raw(std::string("<a href=\"/n\">") + kNext + " &gt;&gt;</a>")
              .End()
              .Html());
  EXPECT_TRUE(harvest_->Run.NextPageFound);
  // Never set back to false.
  Analyze(ListingPage().Start().End().Html());
  EXPECT_TRUE(harvest_->Run.NextPageFound);
}

// ---- Link tags ----------------------------------------------------------------------

TEST_F(ListingTest, ARepeatedLinkIsFetchedOnce) {
  Details({"A", "B"});
  // A's cover and title links side by side, then B, then A again.
  Analyze(ListingPage().Start().Title("A").Title("B").Raw(Link(DetailLink("A"))).End().Html());
  EXPECT_EQ(Fetched(), (std::vector<std::string>{DetailLink("A"), DetailLink("B")}));
  EXPECT_EQ(History(), (std::vector<std::string>{Entry(DetailLink("A")), Entry(DetailLink("B"))}));
  const std::string size = std::to_string(testing::DetailPage("A").size());
  EXPECT_EQ(CountLog(size + ":" + DetailLink("A")), 1);
}

TEST_F(ListingTest, ThePrefixInsideALongerAddressCountsAndTheWholeValueIsTaken) {
  const std::string jump =
      std::string(testing::kShopBase) + "/bec/SE/Jump?ref=newlist&amp;url=" + DetailLink("J");
  Page(jump, testing::DetailPage("J"));
  Analyze(ListingPage().Start().Raw(Link(jump)).End().Html());
  EXPECT_EQ(Fetched(), std::vector<std::string>{jump});
  EXPECT_EQ(History(), std::vector<std::string>{Entry(jump)});
  // The catalogue holds the link as written, "&amp;" and all.
  EXPECT_NE(ReadAll(HostFile("QuillsMas.csv")).find("\"" + jump + "\""), std::string::npos);
}

TEST_F(ListingTest, AHistoryEntryOfAnyDateStopsTheFetch) {
  Details({"A", "B"});
  state_.FHistory.Add("19990101" + DetailLink("A"));
  Analyze(ListingPage().Start().Title("A").Title("B").End().Html());
  EXPECT_EQ(Fetched(), std::vector<std::string>{DetailLink("B")});
}

// ---- Attempts -------------------------------------------------------------------------

TEST_F(ListingTest, AFetchThatBringsNothingIsKeptForTheNextRunAndNotRetriedInThisOne) {
  Details({"B"});  // A is never written
  WriteAll(DetailFile(), "stale page of another title");
  Analyze(ListingPage().Start().Title("A").Title("B").Title("A").End().Html());
  EXPECT_EQ(Fetched(), (std::vector<std::string>{DetailLink("A"), DetailLink("B")}));
  EXPECT_EQ(History(), (std::vector<std::string>{Entry(DetailLink("B"))}));
  EXPECT_EQ(CountLog("0:" + DetailLink("A")), 1);
  EXPECT_FALSE(harvest_->Day().Intact);
  // Only B reached the catalogue: the stale page was removed before A's fetch.
  const std::string catalogue = ReadAll(HostFile("QuillsMas.csv"));
  EXPECT_EQ(catalogue.find("TA"), std::string::npos);
  EXPECT_NE(catalogue.find("TB"), std::string::npos);
}

TEST_F(ListingTest, AFetchThatRaisesAnErrorIsTriedThreeTimesWithoutATrace) {
  Details({"A", "B"});
  on_fetch_ = [](const std::string& address) {
    if (address == DetailLink("A")) throw std::runtime_error("cannot start");
  };
  Analyze(ListingPage().Start().Title("A").Title("B").End().Html());
  EXPECT_EQ(FetchCount(DetailLink("A")), 3);
  EXPECT_EQ(FetchCount(DetailLink("B")), 1);
  EXPECT_EQ(History(), std::vector<std::string>{Entry(DetailLink("B"))});
  for (const auto& line : LogLines()) EXPECT_EQ(line.find(DetailLink("A")), std::string::npos);
}

TEST_F(ListingTest, AnErrorOfTheDetailAnalysisIsLoggedAndTheWalkGoesOn) {
  Details({"A", "B"});
  fs::create_directory(HostFile("QuillsMas.csv"));  // the catalogue cannot be opened
  Analyze(ListingPage().Start().Title("A").Title("B").End().Html());
  EXPECT_EQ(Fetched(), (std::vector<std::string>{DetailLink("A"), DetailLink("B")}));
  EXPECT_EQ(CountLog("Analyze Error " + DetailLink("A")), 1);
  EXPECT_EQ(CountLog("Analyze Error " + DetailLink("B")), 1);
  // Neither title reached the catalogue: both are forgotten, to be fetched
  // again by the next run.
  EXPECT_TRUE(History().empty());
  EXPECT_FALSE(state_.FHistory.IsInHistory(DetailLink("A")));
}

TEST_F(ListingTest, ATitleWhoseLineFailedIsFetchedAgainOnceTheCatalogueIsBack) {
  Details({"A"});
  fs::create_directory(HostFile("QuillsMas.csv"));
  Analyze(ListingPage().Start().Title("A").End().Html());
  EXPECT_FALSE(harvest_->Day().Intact);
  // Not again in the same run ...
  Analyze(ListingPage().Start().Title("A").End().Html());
  EXPECT_EQ(Fetched(), (std::vector<std::string>{DetailLink("A")}));
  // ... but in the next one.
  fs::remove(HostFile("QuillsMas.csv"));
  harvest_.emplace(state_, view_, log_, host_, ProgramPath());
  Analyze(ListingPage().Start().Title("A").End().Html());
  EXPECT_EQ(Fetched(), (std::vector<std::string>{DetailLink("A"), DetailLink("A")}));
  EXPECT_EQ(History().size(), 1u);
  EXPECT_NE(ReadAll(HostFile("QuillsMas.csv")).find("TA"), std::string::npos);
}

TEST_F(ListingTest, EachAnalysedPageIsFollowedByAPlainPause) {
  Details({"A"});
  Page(DetailLink("B"), "");  // B's fetch writes an empty file: not analysed
  std::vector<std::int64_t> pump_times;
  host_.on_pump = [&] { pump_times.push_back(host_.now_ms); };
  Analyze(ListingPage().Start().Title("A").Title("B").End().Html());
  ASSERT_EQ(Fetched().size(), 2u);
  // Everywhere else the run pumps at least every 100 ms; the 200 ms after
  // the analysed page pass without a pump, once.
  int long_gaps = 0;
  for (std::size_t i = 1; i < pump_times.size(); ++i) {
    const std::int64_t gap = pump_times[i] - pump_times[i - 1];
    EXPECT_LE(gap, 200);
    long_gaps += gap == 200 ? 1 : 0;
  }
  EXPECT_EQ(long_gaps, 1);
}

// ---- Skip, Stop and errors -----------------------------------------------------------

TEST_F(ListingTest, SkipEndsTheWalkBeforeTheNextNode) {
  Details({"A", "B"});
  host_.AfterCommand(1, [this] { state_.FSkipRequested = true; });
  // Nodes: p, text, /p, a (A: fetched while Skip is pressed), text, /a, a...
  Analyze("<p>" + std::string(kStart) + "</p>" + Link(DetailLink("A")) + Link(DetailLink("B")));
  EXPECT_EQ(Fetched(), std::vector<std::string>{DetailLink("A")});
  EXPECT_EQ(LogLines().back(), "h = 4");
  EXPECT_NE(ReadAll(HostFile("QuillsMas.csv")).find("TA"), std::string::npos);
}

TEST_F(ListingTest, StopEndsTheWalkAndAnyFurtherFetch) {
  Details({"A", "B"});
  host_.AfterCommand(1, [this] { state_.FStopRequested = true; });
  Analyze("<p>" + std::string(kStart) + "</p>" + Link(DetailLink("A")) + Link(DetailLink("B")));
  EXPECT_EQ(Fetched(), std::vector<std::string>{DetailLink("A")});
  EXPECT_EQ(LogLines().back(), "h = 4");
}

TEST_F(ListingTest, AnErrorInTheWalkPassesOnAfterTheLogAndTheCleanUp) {
  WriteAll(DetailFile(), "stale");
  bool thrown = false;
  host_.on_pump = [&] {
    // The first pump after A's attempt (kept for the next run: its fetch
    // brought nothing).
    if (!thrown && harvest_->KnownTitles().KeptForNextRun(DetailLink("A"))) {
      thrown = true;
      throw std::runtime_error("pump failed");
    }
  };
  WriteAll(ListingFile(), "<p>" + std::string(kStart) + "</p>" + Link(DetailLink("A")));
  EXPECT_THROW(harvest_->AnalyzeListing(), std::runtime_error);
  EXPECT_EQ(LogLines().back(), "h = 3");  // the link tag was not finished
  EXPECT_FALSE(fs::exists(DetailFile()));
}

TEST_F(ListingTest, TheDetailFileIsGoneAfterEveryAnalysis) {
  Details({"A"});
  for (const std::string& page :
       {ListingPage().Start().Title("A").End().Html(), std::string(), std::string("\x81")}) {
    WriteAll(DetailFile(), "stale");
    Analyze(page);
    EXPECT_FALSE(fs::exists(DetailFile()));
  }
}

// ---- Bad input ------------------------------------------------------------------------

TEST_F(ListingTest, AnEmptyFileWalksNoNode) {
  Analyze("");
  EXPECT_EQ(LogLines(), (std::vector<std::string>{ListingFile(), "h = 0"}));
}

TEST_F(ListingTest, BinaryGarbageFetchesNothing) {
  std::mt19937 random(7);
  for (int round = 0; round < 20; ++round) {
    std::string page(1 + random() % 65536, '\0');
    for (char& c : page) c = static_cast<char>(random());
    Analyze(page);
  }
  EXPECT_TRUE(host_.commands.empty());
  EXPECT_EQ(CountLog(ListingFile()), 20);
}

TEST_F(ListingTest, ATenMegabytePageIsWalkedToTheEnd) {
  Details({"A"});
  std::string page = "<html><body><table>\r\n";
  const std::string row =
      "<tr><td class=\"c\">filler &amp; more</td><td>" + std::string(kTodayList) + "</td></tr>\r\n";
  while (page.size() < 10 * 1024 * 1024) page += row;
  page += ListingPage().Start().Title("A").Next().End().Html();
  Analyze(page);
  EXPECT_EQ(Fetched(), std::vector<std::string>{DetailLink("A")});
  EXPECT_TRUE(harvest_->Run.NextPageFound);
  const std::string last = LogLines().back();
  ASSERT_EQ(last.rfind("h = ", 0), 0u);
  EXPECT_GT(std::stoll(last.substr(4)), 1000000);
}

}  // namespace
}  // namespace kivo
