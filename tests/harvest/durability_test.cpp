// Every title reaches the catalogue exactly once, whatever fails: the commit
// of line and entry, the recovery after a crash between the two, days that
// are archived only when complete, and failures that are tried again by the
// next run rather than forgotten.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "harvest/harvest_fixture.h"
#include "protocol/exit_code.h"
#include "support/file_limit.h"

namespace kivo::testing {
namespace {

namespace fs = std::filesystem;

constexpr CivilDate kDec7{2026, 12, 7};
constexpr CivilDate kDec6{2026, 12, 6};
// The helper's codes.
constexpr int kTransient = static_cast<int>(protocol::ExitCode::kFailed);
constexpr int kNotFound = static_cast<int>(protocol::ExitCode::kGone);
constexpr int kNoAnswer = static_cast<int>(protocol::ExitCode::kNoAnswer);

// "ショップから応答がないため中止しました" as an error line of the log.
constexpr char kShopDownLine[] =
    "Quillcas.log: "
    "\x83V\x83\x87\x83\x62\x83v\x82\xa9\x82\xe7\x89\x9e\x93\x9a\x82\xaa\x82\xc8\x82\xa2"
    "\x82\xbd\x82\xdf\x92\x86\x8e~\x82\xb5\x82\xdc\x82\xb5\x82\xbd (C.ERROR)";
// "ページの形式が変わった可能性があります"
constexpr char kPagesChanged[] =
    "\x83y\x81[\x83W\x82\xcc\x8c`\x8e\xae\x82\xaa\x95\xcf\x82\xed\x82\xc1\x82\xbd\x89\xc2\x94\x5c"
    "\x90\xab\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb7";

ListingPage Titles(const std::vector<std::string>& codes, bool next = false) {
  ListingPage page = ListingPage().Start();
  for (const auto& code : codes) page.Title(code);
  if (next) page.Next();
  return page.End();
}

class DurabilityTest : public HarvestTest {
 protected:
  // One run of a fresh process: the history is read from its file again.
  void Run(int before_days = 0) {
    Create(before_days);
    RunHarvest();
  }
  // How many catalogue lines name the title "T" + code.
  int Lines(const std::string& code) const {
    const std::string text = ReadAll(HostFile("QuillsMas.csv"));
    const std::string needle = "\"T" + code + "\"";
    int n = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos;
         at = text.find(needle, at + 1)) {
      ++n;
    }
    return n;
  }
  int Entries(const std::string& code) const {
    const std::string text = ReadAll(HostFile("kivo.txt"));
    const std::string needle = DetailLink(code) + "\r\n";
    int n = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos;
         at = text.find(needle, at + 1)) {
      ++n;
    }
    return n;
  }
};

// ---- Commit and recovery -------------------------------------------------------------

TEST_F(DurabilityTest, EachTitleIsOnDiskBeforeTheNextIsFetched) {
  Day(kDec7, {Titles({"A", "B"})});
  Details({"A", "B"});
  // When B is asked for, A's line and entry are already in the files.
  on_fetch_ = [this](const std::string& address) {
    if (address != DetailLink("B")) return;
    EXPECT_EQ(Lines("A"), 1);
    EXPECT_EQ(Entries("A"), 1);
  };
  Run();
  EXPECT_EQ(Lines("A"), 1);
  EXPECT_EQ(Lines("B"), 1);
}

TEST_F(DurabilityTest, ALineWithoutItsEntryIsRecoveredAndNotWrittenAgain) {
  // A run killed between A's line and its entry; the catalogue also holds a
  // line of another plugin after it, and an older line whose entry exists.
  Day(kDec7, {Titles({"A", "B", "C"})});
  Details({"A", "B", "C"});
  WriteAll(HostFile("kivo.txt"), HistoryText({"20261207" + DetailLink("C")}));
  auto line = [](const std::string& title, const std::string& link) {
    return "\"\",\"" + title + "\",\"\",\"\",\"\",\"\",\"\",0,0,,0,20261207,0,\"\",\"\",\"" + link +
           "\",\"/tmp/x.jpg\"\r\n";
  };
  WriteAll(HostFile("QuillsMas.csv"), line("TC", DetailLink("C")) + line("TA", DetailLink("A")) +
                                          line("other", "http://elsewhere.test/item/1"));
  Run();
  EXPECT_EQ(Fetched(), (std::vector<std::string>{ListingUrl(kDec7, 1), DetailLink("B")}));
  EXPECT_EQ(Lines("A"), 1);
  EXPECT_EQ(Lines("B"), 1);
  EXPECT_EQ(Entries("A"), 1);
  // The foreign line is nobody's title of ours: not taken into the history.
  EXPECT_EQ(ReadAll(HostFile("kivo.txt")).find("elsewhere"), std::string::npos);
}

TEST_F(DurabilityTest, AHistoryEndingInALineCutShortLoadsWithoutItAndAppendsOnANewLine) {
  Day(kDec7, {Titles({"A"})});
  Details({"A"});
  WriteAll(HostFile("kivo.txt"), "20261201" + DetailLink("X") + "\r\n20261207http://sh");
  Create(0);
  EXPECT_EQ(form_.FHistory.Entries(), std::vector<std::string>{"20261201" + DetailLink("X")});
  // Mid-run, before the history is saved whole, the appended entry stands
  // on its own line.
  form_.CommitHistory({DetailLink("A")});
  EXPECT_EQ(ReadAll(HostFile("kivo.txt")), "20261201" + DetailLink("X") +
                                               "\r\n20261207http://sh\r\n20261207" +
                                               DetailLink("A") + "\r\n");
}

#ifndef _WIN32
TEST_F(DurabilityTest, AnEntryThatCannotBeWrittenEndsTheRunWithTheLineTakenBack) {
  Day(kDec7, {Titles({"A", "B"})});
  Details({"A", "B"});
  // The history is larger than the disk has room for; the catalogue is not.
  const std::string big = "20261201" + std::string(5000, 'x') + "\r\n";
  WriteAll(HostFile("kivo.txt"), big);
  Create(0);
  std::optional<FileSizeLimit> limit;
  on_fetch_ = [&](const std::string& address) {
    if (address == DetailLink("A")) limit.emplace(big.size() + 10);
  };
  try {
    RunHarvest();
    ADD_FAILURE() << "no error";
  } catch (const THistoryWriteError& e) {
    const std::string what = e.what();
    const std::string tail = std::string("kivo.txt") + texts::kCannotWrite;
    ASSERT_GE(what.size(), tail.size());
    EXPECT_EQ(what.substr(what.size() - tail.size()), tail);
  }
  limit.reset();
  EXPECT_EQ(Lines("A"), 0);
  EXPECT_EQ(FetchCount(DetailLink("B")), 0);  // the run ended there
  EXPECT_FALSE(fs::exists(ArchiveFile("261207")));
  // With room again, the next run writes A once.
  on_fetch_ = nullptr;
  Run();
  EXPECT_EQ(Lines("A"), 1);
  EXPECT_EQ(Lines("B"), 1);
}

TEST_F(DurabilityTest, ALineThatCannotBeWrittenLeavesTheDayForTheNextRun) {
  Day(kDec7, {Titles({"A", "B"})});
  Details({"A", "B"});
  WriteAll(HostFile("QuillsMas.csv"), std::string(3000, 'c') + "\r\n");
  std::optional<FileSizeLimit> limit;
  on_fetch_ = [&](const std::string& address) {
    if (address == DetailLink("A")) limit.emplace(3010);
    if (address == DetailLink("B")) limit.reset();
  };
  Run();
  limit.reset();
  EXPECT_EQ(Lines("A"), 0);
  EXPECT_EQ(Lines("B"), 1);
  EXPECT_EQ(Entries("A"), 0);
  EXPECT_FALSE(fs::exists(ArchiveFile("261207")));
  on_fetch_ = nullptr;
  Run();
  EXPECT_EQ(Lines("A"), 1);
  EXPECT_EQ(Lines("B"), 1);
  EXPECT_TRUE(fs::exists(ArchiveFile("261207")));
}
#endif

// ---- Complete days only ----------------------------------------------------------------

TEST_F(DurabilityTest, ASecondPageThatFailsOnceIsWalkedAgainByTheNextRun) {
  Day(kDec7, {Titles({"A"}, true), Titles({"B"})});
  Details({"A", "B"});
  exit_codes_[ListingUrl(kDec7, 2)] = kTransient;
  Run();
  EXPECT_EQ(Lines("A"), 1);
  EXPECT_EQ(Lines("B"), 0);
  EXPECT_FALSE(fs::exists(ArchiveFile("261207")));

  exit_codes_.clear();
  host_.commands.clear();
  Run();
  EXPECT_EQ(Fetched(), (std::vector<std::string>{ListingUrl(kDec7, 1), ListingUrl(kDec7, 2),
                                                 DetailLink("B")}));
  EXPECT_EQ(Lines("A"), 1);
  EXPECT_EQ(Lines("B"), 1);
  // Complete now: its last page is archived, and the next run ends the day
  // there without a detail fetch.
  EXPECT_EQ(ReadAll(ArchiveFile("261207")), Titles({"B"}).Html());
  host_.commands.clear();
  Run();
  EXPECT_EQ(Fetched(), (std::vector<std::string>{ListingUrl(kDec7, 1), ListingUrl(kDec7, 2)}));
}

TEST_F(DurabilityTest, AnEarlierPageOfALongerDayIsNeverArchived) {
  Day(kDec7, {Titles({"A"}, true), Titles({"B"})});
  Details({"A", "B"});
  host_.AfterCommand(3, [this] { form_.ButtonSkipClick(); });  // during page 2's fetch
  Run();
  EXPECT_FALSE(fs::exists(ArchiveFile("261207")));
}

// ---- Transient and permanent failures --------------------------------------------------

TEST_F(DurabilityTest, ATransientDetailFailureIsTriedByTheNextRunAPermanentOneIsNot) {
  Day(kDec7, {Titles({"A", "B", "C"})});
  Details({"A", "B", "C"});
  exit_codes_[DetailLink("A")] = kTransient;
  exit_codes_[DetailLink("B")] = kNotFound;
  Run();
  EXPECT_EQ(FetchCount(DetailLink("A")), 1);  // one attempt per returned fetch
  EXPECT_EQ(Entries("A"), 0);
  EXPECT_EQ(Entries("B"), 1);
  EXPECT_EQ(Lines("C"), 1);
  EXPECT_FALSE(fs::exists(ArchiveFile("261207")));
  EXPECT_EQ(LogLines().back(), Summary(1, 2, 1));

  exit_codes_.clear();
  host_.commands.clear();
  Run();
  EXPECT_EQ(Fetched(), (std::vector<std::string>{ListingUrl(kDec7, 1), DetailLink("A")}));
  EXPECT_EQ(Lines("A"), 1);
  EXPECT_EQ(Lines("B"), 0);
  EXPECT_EQ(Lines("C"), 1);
  EXPECT_TRUE(fs::exists(ArchiveFile("261207")));
}

TEST_F(DurabilityTest, ATransientFailureIsNotFetchedTwiceInOneRun) {
  Day(kDec7, {Titles({"A"})});
  Day(kDec6, {Titles({"A"})});
  Details({"A"});
  exit_codes_[DetailLink("A")] = kTransient;
  Run(1);
  EXPECT_EQ(FetchCount(DetailLink("A")), 1);
}

TEST_F(DurabilityTest, ThreeFetchesWithoutAnAnswerEndTheRunAsStopDoes) {
  Day(kDec7, {Titles({"A", "B", "C", "D"})});
  Details({"D"});
  Page(DetailLink("A"), DetailPage("A"));
  exit_codes_[DetailLink("A")] = kNoAnswer;
  exit_codes_[DetailLink("B")] = kNoAnswer;
  exit_codes_[DetailLink("C")] = kNoAnswer;
  Run(1);
  EXPECT_EQ(FetchCount(DetailLink("D")), 0);
  EXPECT_EQ(CountLog(kShopDownLine), 1);
  EXPECT_FALSE(fs::exists(ArchiveFile("261207")));
  EXPECT_EQ(FetchCount(ListingUrl(kDec6, 1)), 0);  // no further day
  EXPECT_TRUE(fs::is_regular_file(HostFile("kivo.txt")));
  EXPECT_TRUE(form_.FShopDown);

  // The next run starts afresh.
  exit_codes_.clear();
  Details({"A", "B", "C"});
  Run(0);
  for (const char* code : {"A", "B", "C", "D"}) EXPECT_EQ(Lines(code), 1) << code;
}

TEST_F(DurabilityTest, AnAnswerInBetweenKeepsTheShopUp) {
  Day(kDec7, {Titles({"A", "B", "C", "D", "E"})});
  Details({"C", "E"});
  exit_codes_[DetailLink("A")] = kNoAnswer;
  exit_codes_[DetailLink("B")] = kNoAnswer;
  exit_codes_[DetailLink("D")] = kNoAnswer;
  Run();
  EXPECT_FALSE(form_.FShopDown);
  EXPECT_EQ(Lines("E"), 1);
}

TEST_F(DurabilityTest, StopDuringALongDownloadEndsItAtOnceAndKeepsTheTitle) {
  Day(kDec7, {Titles({"A"})});
  Details({"A"});
  host_.process_ms = 60000;
  std::int64_t stop_at = -1;
  host_.AfterCommand(2, [&] {
    stop_at = host_.now_ms;
    form_.ButtonStopClick();
  });
  host_.on_kill = [&] { EXPECT_LE(host_.now_ms - stop_at, 100); };
  Run();
  EXPECT_EQ(host_.kills, 1);
  EXPECT_EQ(Entries("A"), 0);
  host_.process_ms = 300;
  Run();
  EXPECT_EQ(Lines("A"), 1);
}

// ---- Links, summary, warnings -----------------------------------------------------------

TEST_F(DurabilityTest, ADetailPathOnAnotherHostIsPassedOver) {
  const std::string foreign = "http://evil.test/bec/SA/Detail?refShinCode=A&u=" + DetailLink("A");
  const std::string userinfo =
      "http://shop.test@evil.test"
      "/bec/SA/Detail?refShinCode=Z";
  Day(kDec7, {ListingPage()
                  .Start()
                  .Raw("<a href=\"" + foreign + "\">x</a>\r\n")
                  .Raw("<a href=\"" + userinfo + "\">x</a>\r\n")
                  .Raw("<a href=\"" + DetailLink("B") + "\">x</a>\r\n")
                  .End()});
  Details({"B"});
  Run();
  EXPECT_EQ(Fetched(), (std::vector<std::string>{ListingUrl(kDec7, 1), DetailLink("B")}));
}

TEST_F(DurabilityTest, PagesThatNoLongerLookAsExpectedAreReported) {
  Day(kDec7, {ListingPage().Text("a page of a new design")});
  Run();
  EXPECT_EQ(view_.status_text, kPagesChanged);
  EXPECT_EQ(CountLog(std::string("Quillcas.log: ") + kPagesChanged + " (C.ERROR)"), 1);
}

TEST_F(DurabilityTest, DetailPagesWithoutTitleOrIsbnAreReported) {
  Day(kDec7, {Titles({"A"})});
  Page(DetailLink("A"), "<html><body><p class=\"newTitle\">TA</p></body></html>");
  Run();
  EXPECT_EQ(view_.status_text, kPagesChanged);
  EXPECT_EQ(Entries("A"), 1);  // nothing to write, but fetched
}

TEST_F(DurabilityTest, AnOrdinaryRunReportsNothing) {
  Day(kDec7, {Titles({"A"})});
  Details({"A"});
  Run();
  EXPECT_EQ(view_.status_text, "");
  EXPECT_EQ(LogLines().back(), Summary(1, 0, 1));
}

}  // namespace
}  // namespace kivo::testing
