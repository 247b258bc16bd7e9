// The harvest run on the fake platform: the day and page loops, the archive
// and its purge, Skip and Stop at chosen moments, the history pruned and
// saved on every way out, a run that passes midnight.
#include <gtest/gtest.h>

#include <filesystem>
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
using testing::ListingUrl;
using testing::ReadAll;
using testing::Sep;
using testing::Summary;
using testing::WriteAll;

constexpr CivilDate kDec7{2026, 12, 7};  // the fake clock's today
constexpr CivilDate kDec6{2026, 12, 6};
constexpr CivilDate kDec5{2026, 12, 5};

// The texts the run shows and logs, as bytes.
constexpr char kRunTitle[] = "kivo\x83_\x83\x45\x83\x93\x83\x8d\x81[\x83h";  // "kivoダウンロード"
constexpr char kDownload[] = "\x83_\x83\x45\x83\x93\x83\x8d\x81[\x83h";      // "ダウンロード"
constexpr char kBanner[] = "*** kivo DLL ***";
// "Quillcas.log: kivo失敗. (C.ERROR)"
constexpr char kFailedLine[] = "Quillcas.log: kivo\x8e\xb8\x94s. (C.ERROR)";

// "12月7日ダウンロード" for 7 December.
std::string DayText(int month, int day) {
  return std::to_string(month) + "\x8c\x8e" + std::to_string(day) + "\x93\xfa" + kDownload;
}
// The line for a listing fetch that brought nothing: "<address> 失敗-Getkivo.html".
std::string FetchFailedLine(const std::string& address) {
  return address + " \x8e\xb8\x94s-Getkivo.html";
}

ListingPage OneTitle(const std::string& code) { return ListingPage().Start().Title(code).End(); }

class HarvestRunTest : public HarvestTest {
 protected:
  void ExpectButtonsOff() const { EXPECT_TRUE(view_.run_buttons_off); }
  std::string History() const { return ReadAll(HostFile("kivo.txt")); }
  std::vector<std::string> CatalogueLines() const {
    std::vector<std::string> lines;
    const std::string text = ReadAll(HostFile("QuillsMas.csv"));
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
      lines.push_back(text.substr(start, end - start));
    }
    return lines;
  }
  void MakeArchive() { fs::create_directories(fs::path(host_dir_) / "old"); }
};

// ---- Days and pages ---------------------------------------------------------------

TEST_F(HarvestRunTest, WalksFromTodayBackAndArchivesEachDay) {
  Day(kDec7, {OneTitle("A")});
  Day(kDec6, {OneTitle("B")});
  Day(kDec5, {OneTitle("C")});
  Details({"A", "B", "C"});
  Create(2);
  view_.MemoAdd("left from before");
  RunHarvest();

  EXPECT_EQ(Fetched(),
            (std::vector<std::string>{ListingUrl(kDec7, 1), DetailLink("A"), ListingUrl(kDec6, 1),
                                      DetailLink("B"), ListingUrl(kDec5, 1), DetailLink("C")}));
  // The address exactly as the shop expects it.
  EXPECT_EQ(Fetched()[0],
            "http://shop.test/bec/SE/Genre?dcode=01&ccode=01&taishongpi=20261207"
            "&Genre_id=010100&listcnt=1");
  EXPECT_EQ(view_.titles,
            (std::vector<std::string>{kRunTitle, DayText(12, 7), DayText(12, 6), DayText(12, 5)}));
  EXPECT_EQ(DayText(12, 7),
            "12\x8c\x8e"
            "7\x93\xfa\x83_\x83\x45\x83\x93\x83\x8d\x81[\x83h");
  EXPECT_EQ(view_.memo, (std::vector<std::string>{"TA", "TB", "TC"}));

  const std::vector<std::string> log = LogLines();
  ASSERT_GE(log.size(), 6u);
  EXPECT_EQ(log[0], kBanner);
  EXPECT_EQ(log[1], DayText(12, 7));
  EXPECT_EQ(log[2], ListingFile());
  EXPECT_EQ(log[3], std::to_string(testing::DetailPage("A").size()) + ":" + DetailLink("A"));
  EXPECT_EQ(log[4].rfind("h = ", 0), 0u);
  EXPECT_EQ(log[5], DayText(12, 6));
  EXPECT_EQ(CountLog(DayText(12, 5)), 1);

  EXPECT_EQ(ReadAll(ArchiveFile("261207")), OneTitle("A").Html());
  EXPECT_EQ(ReadAll(ArchiveFile("261206")), OneTitle("B").Html());
  EXPECT_EQ(ReadAll(ArchiveFile("261205")), OneTitle("C").Html());
  EXPECT_EQ(History(), HistoryText({"20261207" + DetailLink("A"), "20261207" + DetailLink("B"),
                                    "20261207" + DetailLink("C")}));
  // Each title is written with the day whose list held it; no heading yet.
  const std::vector<std::string> lines = CatalogueLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[0].find(",0,,0,20261207,"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find(",0,,0,20261206,"), std::string::npos) << lines[1];
  EXPECT_NE(lines[2].find(",0,,0,20261205,"), std::string::npos) << lines[2];
  ExpectButtonsOff();
  EXPECT_EQ(CountLog(kFailedLine), 0);
}

TEST_F(HarvestRunTest, ThreePagesWhoseThirdFetchWritesNothing) {
  const ListingPage page1 = ListingPage().Start().Title("A").Next().End();
  const ListingPage page2 = ListingPage().Start().Title("B").Next().End();
  Day(kDec7, {page1, page2});  // page 3 is never written
  Details({"A", "B"});
  Create(0);
  RunHarvest();

  EXPECT_EQ(Fetched(),
            (std::vector<std::string>{ListingUrl(kDec7, 1), DetailLink("A"), ListingUrl(kDec7, 2),
                                      DetailLink("B"), ListingUrl(kDec7, 3)}));
  // The third fetch brings nothing: a failure, never mistaken for page 2,
  // and the day, cut short, is not archived, so the next run walks it again.
  EXPECT_EQ(CountLog(ListingFile()), 2);
  EXPECT_EQ(CountLog(FetchFailedLine(ListingUrl(kDec7, 3))), 1);
  EXPECT_FALSE(fs::exists(ArchiveFile("261207")));
}

TEST_F(HarvestRunTest, AFirstFetchThatWritesNothingLogsTheFailureAndGoesOn) {
  Day(kDec6, {OneTitle("B")});
  Details({"B"});
  WriteAll(ListingFile(), "left from an earlier run");  // deleted as the day begins
  Create(1);
  RunHarvest();

  EXPECT_EQ(Fetched(), (std::vector<std::string>{ListingUrl(kDec7, 1), ListingUrl(kDec6, 1),
                                                 DetailLink("B")}));
  EXPECT_EQ(CountLog(FetchFailedLine(ListingUrl(kDec7, 1))), 1);
  EXPECT_FALSE(fs::exists(ArchiveFile("261207")));
  EXPECT_TRUE(fs::exists(ArchiveFile("261206")));
  EXPECT_EQ(CountLog(kFailedLine), 0);
}

TEST_F(HarvestRunTest, AnUnchangedDayTakesTheShortPath) {
  Day(kDec7, {OneTitle("A")});
  Day(kDec6, {OneTitle("B")});
  Details({"A", "B"});
  MakeArchive();
  WriteAll(ArchiveFile("261207"), OneTitle("A").Html());
  Create(1);
  RunHarvest();

  // One fetch for 7 December, nothing analysed, then the next day.
  EXPECT_EQ(Fetched(), (std::vector<std::string>{ListingUrl(kDec7, 1), ListingUrl(kDec6, 1),
                                                 DetailLink("B")}));
  const std::vector<std::string> log = LogLines();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[1], DayText(12, 7));
  EXPECT_EQ(log[2], DayText(12, 6));
  EXPECT_EQ(CountLog(ListingFile()), 1);
}

TEST_F(HarvestRunTest, AChangedDayIsAnalysedAndItsArchiveReplaced) {
  Day(kDec7, {OneTitle("A")});
  Details({"A"});
  MakeArchive();
  WriteAll(ArchiveFile("261207"), OneTitle("Z").Html());
  Create(0);
  RunHarvest();
  EXPECT_EQ(Fetched(), (std::vector<std::string>{ListingUrl(kDec7, 1), DetailLink("A")}));
  EXPECT_EQ(ReadAll(ArchiveFile("261207")), OneTitle("A").Html());
}

TEST_F(HarvestRunTest, ASecondRunFetchesOnlyTheListingPages) {
  Day(kDec7, {OneTitle("A")});
  Day(kDec6, {OneTitle("B")});
  Details({"A", "B"});
  Create(1);
  RunHarvest();
  const std::string catalogue = ReadAll(HostFile("QuillsMas.csv"));
  const std::string history = History();
  ASSERT_EQ(CatalogueLines().size(), 2u);
  host_.commands.clear();

  RunHarvest();
  EXPECT_EQ(Fetched(), (std::vector<std::string>{ListingUrl(kDec7, 1), ListingUrl(kDec6, 1)}));
  EXPECT_EQ(ReadAll(HostFile("QuillsMas.csv")), catalogue);
  EXPECT_EQ(History(), history);
}

TEST_F(HarvestRunTest, ATitleListedOnTwoDaysIsFetchedOnce) {
  Day(kDec7, {ListingPage().Start().Title("E").Title("A").End()});
  Day(kDec6, {ListingPage().Start().Title("E").Title("B").End()});
  Details({"E", "A", "B"});
  Create(1);
  RunHarvest();
  EXPECT_EQ(FetchCount(DetailLink("E")), 1);
  EXPECT_EQ(FetchCount(DetailLink("B")), 1);
  // Written once, with the first day harvested.
  const std::vector<std::string> lines = CatalogueLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[0].find("TE"), std::string::npos);
  EXPECT_NE(lines[0].find(",20261207,"), std::string::npos);
}

TEST_F(HarvestRunTest, CategoriesCarryOverPagesAndDaysAndStartEmptyEachRun) {
  Day(kDec7, {ListingPage()
                  .Start()
                  .Title("A")
                  .Heading("\x83R\x83~\x83\x62\x83N")
                  .Title("B")
                  .Next()
                  .End(),  // "コミック"
              ListingPage().Start().Title("C").End()});
  Day(kDec6, {OneTitle("D")});
  Details({"A", "B", "C", "D"});
  Create(1);
  harvest_->Run.CategoryCode = 1;  // left from an earlier run
  harvest_->Run.CategoryText = "old";
  RunHarvest();
  const std::vector<std::string> lines = CatalogueLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_NE(lines[0].find(",0,,0,20261207,"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find(",2,\x83R\x83~\x83\x62\x83N,0,20261207,"), std::string::npos);
  EXPECT_NE(lines[2].find(",2,\x83R\x83~\x83\x62\x83N,0,20261207,"), std::string::npos);
  EXPECT_NE(lines[3].find(",2,\x83R\x83~\x83\x62\x83N,0,20261206,"), std::string::npos);
}

// ---- The window of days ------------------------------------------------------------

TEST_F(HarvestRunTest, BeforeDaysZeroHarvestsTodayOnly) {
  Day(kDec7, {OneTitle("A")});
  Day(kDec6, {OneTitle("B")});
  Details({"A", "B"});
  Create(0);
  RunHarvest();
  EXPECT_EQ(Fetched(), (std::vector<std::string>{ListingUrl(kDec7, 1), DetailLink("A")}));
}

TEST_F(HarvestRunTest, NegativeBeforeDaysHarvestsNothingSaysWhyAndPurgesAhead) {
  Day(kDec7, {OneTitle("A")});
  Day(kDec6, {OneTitle("B")});
  Details({"A", "B"});
  MakeArchive();
  for (const char* day : {"261206", "261207", "261208", "261209", "261210"}) {
    WriteAll(ArchiveFile(day), day);
  }
  Create(-2);
  // Not even a day an earlier run left unfinished is walked, and it stays
  // recorded for a run that walks again.
  platform::IniWrite(HostFile("Quillcast.ini"), "kivo", "UnfinishedDays", "20261206");
  RunHarvest();
  EXPECT_TRUE(host_.commands.empty());
  EXPECT_EQ(platform::IniRead(HostFile("Quillcast.ini"), "kivo", "UnfinishedDays"), "20261206");
  // Pages dated before today + 2 are gone.
  EXPECT_FALSE(fs::exists(ArchiveFile("261206")));
  EXPECT_FALSE(fs::exists(ArchiveFile("261207")));
  EXPECT_FALSE(fs::exists(ArchiveFile("261208")));
  EXPECT_TRUE(fs::exists(ArchiveFile("261209")));
  EXPECT_TRUE(fs::exists(ArchiveFile("261210")));
  const std::string why = texts::kNegativeDays;
  EXPECT_EQ(LogLines(), (std::vector<std::string>{kBanner, "Quillcas.log: " + why + " (C.ERROR)",
                                                  Summary(0, 0, 0)}));
  EXPECT_EQ(view_.status_text, why);
  EXPECT_TRUE(fs::is_regular_file(HostFile("kivo.txt")));
  ExpectButtonsOff();
}

TEST_F(HarvestRunTest, PurgeKeepsTheWindowAndDropsWhatHasNoDate) {
  MakeArchive();
  const fs::path old = fs::path(host_dir_) / "old";
  const std::vector<std::string> kept = {
      "kivod261107.html",   // exactly 30 days ago
      "kivod261107x.html",  // the six characters after "kivod" decide
      "kivod261106.txt",    // not the pattern
      "other.html",
  };
  const std::vector<std::string> dropped = {
      "kivod261106.html",  // 31 days ago
      "KIVOD261106.HTML",  // the pattern matches in any letter case
      "kivodabcdef.html",  // no date: 1 January 1970
      "kivod261332.html",  // no such day
      "kivod.html",
  };
  for (const auto& name : kept) WriteAll((old / name).string(), name);
  for (const auto& name : dropped) WriteAll((old / name).string(), name);
  fs::create_directory(old / "kivod000101.html");  // folders are left out
  Create(30);
  RunHarvest();
  for (const auto& name : kept) EXPECT_TRUE(fs::exists(old / name)) << name;
  for (const auto& name : dropped) EXPECT_FALSE(fs::exists(old / name)) << name;
  EXPECT_TRUE(fs::is_directory(old / "kivod000101.html"));
  // 31 days asked for, each one fetch that brought nothing.
  EXPECT_EQ(host_.commands.size(), 31u);
  EXPECT_EQ(Fetched().back(), ListingUrl({2026, 11, 7}, 1));
}

TEST_F(HarvestRunTest, ARunThatPassesMidnightWalksTheWindowItBeganWith) {
  Day(kDec7, {OneTitle("A")});
  Day(kDec6, {OneTitle("B")});
  Details({"A", "B"});
  Create(1);
  host_.SetClock({kDec7, 23, 59, 58, 0});
  RunHarvest();
  // By the time 7 December is done it is 8 December; 6 December, which
  // has left the window meanwhile, is walked all the same.
  EXPECT_EQ(Fetched(), (std::vector<std::string>{ListingUrl(kDec7, 1), DetailLink("A"),
                                                 ListingUrl(kDec6, 1), DetailLink("B")}));
  EXPECT_EQ(DecodeDate(host_.Now()).day, 8);
  EXPECT_EQ(platform::IniRead(HostFile("Quillcast.ini"), "kivo", "UnfinishedDays"), "");
}

// ---- Skip and Stop -------------------------------------------------------------------

TEST_F(HarvestRunTest, SkipBeforeTheNextPageLinkEndsTheDay) {
  Day(kDec7, {ListingPage().Start().Title("A").Title("B").Next().End(), OneTitle("C")});
  Day(kDec6, {OneTitle("D")});
  Details({"A", "B", "C", "D"});
  Create(1);
  host_.AfterCommand(2, [this] { state_.FSkipRequested = true; });  // while A is fetched
  RunHarvest();
  EXPECT_EQ(Fetched(), (std::vector<std::string>{ListingUrl(kDec7, 1), DetailLink("A"),
                                                 ListingUrl(kDec6, 1), DetailLink("D")}));
  EXPECT_FALSE(fs::exists(ArchiveFile("261207")));
  EXPECT_TRUE(fs::exists(ArchiveFile("261206")));
  EXPECT_EQ(view_.title_text, DayText(12, 6));
  EXPECT_FALSE(state_.FSkipRequested);
}

TEST_F(HarvestRunTest, SkipAfterTheNextPageLinkFetchesButDoesNotAnalyseTheNextPage) {
  Day(kDec7, {ListingPage().Start().Next().Title("A").Title("B").End(), OneTitle("C")});
  Day(kDec6, {OneTitle("D")});
  Details({"A", "B", "C", "D"});
  Create(1);
  host_.AfterCommand(2, [this] { state_.FSkipRequested = true; });
  RunHarvest();
  EXPECT_EQ(Fetched(),
            (std::vector<std::string>{ListingUrl(kDec7, 1), DetailLink("A"), ListingUrl(kDec7, 2),
                                      ListingUrl(kDec6, 1), DetailLink("D")}));
  EXPECT_EQ(CountLog("h = 0"), 1);  // page 2 walked no node
  EXPECT_FALSE(fs::exists(ArchiveFile("261207")));
  EXPECT_TRUE(fs::exists(ArchiveFile("261206")));
}

TEST_F(HarvestRunTest, SkipDuringTheWaitAfterADaysLastPageSparesTheNextDay) {
  Day(kDec7, {OneTitle("A")});
  Day(kDec6, {OneTitle("B")});
  Details({"A", "B"});
  Create(1);
  bool pressed = false;
  host_.on_pump = [&] {
    // The archive copy comes just before the one-second wait.
    if (!pressed && fs::exists(ArchiveFile("261207"))) {
      pressed = true;
      state_.FSkipRequested = true;
    }
  };
  RunHarvest();
  EXPECT_TRUE(pressed);
  EXPECT_EQ(Fetched(), (std::vector<std::string>{ListingUrl(kDec7, 1), DetailLink("A"),
                                                 ListingUrl(kDec6, 1), DetailLink("B")}));
  EXPECT_TRUE(fs::exists(ArchiveFile("261206")));
}

TEST_F(HarvestRunTest, FlagsLeftFromBeforeAreClearedAsTheRunStarts) {
  Day(kDec7, {OneTitle("A")});
  Details({"A"});
  Create(0);
  state_.FStopRequested = true;
  state_.FSkipRequested = true;
  RunHarvest();
  EXPECT_EQ(Fetched(), (std::vector<std::string>{ListingUrl(kDec7, 1), DetailLink("A")}));
}

TEST_F(HarvestRunTest, StopEndsTheRunAndTheHistoryIsStillSaved) {
  Day(kDec7, {ListingPage().Start().Title("A").Title("B").End()});
  Day(kDec6, {OneTitle("C")});
  Details({"A", "B", "C"});
  Create(2);
  host_.process_ms = 5000;
  host_.AfterCommand(2, [this] { state_.FStopRequested = true; });  // while A is fetched
  RunHarvest();
  EXPECT_EQ(Fetched(), (std::vector<std::string>{ListingUrl(kDec7, 1), DetailLink("A")}));
  // A's download was ended half way: not recorded, so the next run fetches it.
  EXPECT_EQ(host_.kills, 1);
  EXPECT_EQ(History(), "");
  EXPECT_FALSE(fs::exists(ArchiveFile("261207")));
  EXPECT_EQ(CountLog(DayText(12, 6)), 0);
  ExpectButtonsOff();
}

// ---- History and errors ----------------------------------------------------------------

TEST_F(HarvestRunTest, TheSavedHistoryKeepsTheLastEightyNineDays) {
  const std::vector<std::string> entries = {
      "20261207today", "20260909day89", "20260908day90", "20260521day200", "", "2026"};
  WriteAll(HostFile("kivo.txt"), HistoryText(entries));
  Create(0);
  RunHarvest();
  EXPECT_EQ(History(), HistoryText({"20261207today", "20260909day89"}));
  EXPECT_EQ(state_.FHistory.Entries(), entries);  // the list itself is not pruned
}

TEST_F(HarvestRunTest, AnEmptyHistoryWritesAnEmptyFile) {
  Create(0);
  RunHarvest();
  ASSERT_TRUE(fs::is_regular_file(HostFile("kivo.txt")));
  EXPECT_EQ(fs::file_size(HostFile("kivo.txt")), 0u);
}

TEST_F(HarvestRunTest, AnErrorInTheDayLoopIsLoggedAndTheHistoryStillSaved) {
  Day(kDec7, {OneTitle("A")});
  Day(kDec6, {OneTitle("B")});
  Day(kDec5, {OneTitle("C")});
  Details({"A", "B", "C"});
  on_fetch_ = [](const std::string& address) {
    if (address == ListingUrl(kDec6, 1)) throw std::runtime_error("no process");
  };
  Create(2);
  EXPECT_NO_THROW(RunHarvest());
  EXPECT_EQ(Fetched(), (std::vector<std::string>{ListingUrl(kDec7, 1), DetailLink("A"),
                                                 ListingUrl(kDec6, 1)}));
  EXPECT_EQ(CountLog(kFailedLine), 1);
  const std::vector<std::string> log = LogLines();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2], kFailedLine);
  EXPECT_EQ(log.back(), Summary(1, 0, 2));
  EXPECT_EQ(History(), HistoryText({"20261207" + DetailLink("A")}));
  ExpectButtonsOff();
}

TEST_F(HarvestRunTest, AHistoryThatCannotBeSavedReachesTheWindowAfterTheButtonsAreOff) {
  Day(kDec7, {OneTitle("A")});
  Details({"A"});
  fs::create_directory(HostFile("kivo.txt"));  // a folder in its place
  Create(0);
  try {
    RunHarvest();
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& e) {
    // "<path> に書き込めません": the window shows it once the run returns.
    EXPECT_EQ(std::string(e.what()),
              state_.FHostDir + Sep() + "kivo.txt" +
                  " \x82\xc9\x8f\x91\x82\xab\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1");
  }
  ExpectButtonsOff();
  EXPECT_EQ(FetchCount(DetailLink("A")), 1);
}

TEST_F(HarvestRunTest, AHistoryUnreadableAtCreationIsMergedWhenReadableAgain) {
  // The file was locked while the window was created; by the end of the run
  // it can be read, and its entries are kept beside the run's own.
  WriteAll(HostFile("kivo.txt"), HistoryText({"20261201old"}));
  Day(kDec7, {OneTitle("A")});
  Details({"A"});
  Create(0);
  state_.FHistory.Clear();
  state_.FHistoryUnread = true;
  RunHarvest();
  EXPECT_EQ(History(), HistoryText({"20261201old", "20261207" + DetailLink("A")}));
}

TEST_F(HarvestRunTest, AHistoryStillUnreadableIsNeverOverwritten) {
  Day(kDec7, {OneTitle("A")});
  Details({"A"});
  Create(0);
#ifdef __linux__
  // A file whose every read fails, whoever we run as.
  fs::create_symlink("/proc/self/mem", HostFile("kivo.txt"));
#else
  GTEST_SKIP() << "no file here that exists and cannot be read";
#endif
  state_.FHistoryUnread = true;
  EXPECT_THROW(RunHarvest(), std::runtime_error);
  EXPECT_TRUE(fs::is_symlink(HostFile("kivo.txt")));
  ExpectButtonsOff();
}

TEST_F(HarvestRunTest, AnArchiveFolderThatCannotBeMadeCostsOnlyTheShortPath) {
  Day(kDec7, {OneTitle("A")});
  Details({"A"});
  WriteAll(HostFile("old"), "a file where the folder should be");
  Create(0);
  RunHarvest();
  RunHarvest();
  // Analysed both times, the title fetched once, nothing reported.
  EXPECT_EQ(CountLog(ListingFile()), 2);
  EXPECT_EQ(FetchCount(DetailLink("A")), 1);
  EXPECT_EQ(CountLog(kFailedLine), 0);
  EXPECT_EQ(ReadAll(HostFile("old")), "a file where the folder should be");
  EXPECT_EQ(History(), HistoryText({"20261207" + DetailLink("A")}));
}

}  // namespace
}  // namespace kivo
