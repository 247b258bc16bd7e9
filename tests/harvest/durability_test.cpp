// Every title reaches the catalogue exactly once, whatever fails: the commit
// of line and entry, the catalogue's word after a crash between the two, days that
// are archived only when complete, and failures that are tried again by the
// next run rather than forgotten.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#undef DeleteFile
#endif

#include "harvest/commit.h"
#include "harvest/harvest_fixture.h"
#include "platform/file_messages.h"
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
// "一覧ページを取得できませんでした"
constexpr char kNoListingPage[] =
    "\x88\xea\x97\x97\x83y\x81\x5b\x83W\x82\xf0\x8e\xe6\x93\xbe\x82\xc5\x82\xab\x82\xdc\x82\xb9"
    "\x82\xf1\x82\xc5\x82\xb5\x82\xbd";
// "powershell を起動できないためダウンロードできません"
constexpr char kHelperNotStarted[] =
    "powershell \x82\xf0\x8bN\x93\xae\x82\xc5\x82\xab\x82\xc8\x82\xa2\x82\xbd\x82\xdf\x83_\x83\x45"
    "\x83\x93\x83\x8d\x81\x5b\x83h\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1";
// "ページの形式が変わった可能性があります"
constexpr char kPagesChanged[] =
    "\x83y\x81[\x83W\x82\xcc\x8c`\x8e\xae\x82\xaa\x95\xcf\x82\xed\x82\xc1\x82\xbd\x89\xc2\x94\x5c"
    "\x90\xab\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb7";

class DurabilityTest : public HarvestTest {
 protected:
  // One run of a fresh process: the history is read from its file again.
  void Run(int before_days = 0) {
    Create(before_days);
    RunHarvest();
  }
  // How many catalogue lines name the title "T" + code.
};

// ---- Commit, and a crash between line and entry
// -------------------------------------------------------------

TEST_F(DurabilityTest, EachTitleIsOnDiskBeforeTheNextIsFetched) {
  Day(kDec7, {Titles({"A", "B"})});
  Details({"A", "B"});
  // When B is asked for, A's line and entry are already in the files.
  on_fetch_ = [this](const std::string& address) {
    if (address != DetailLink("B")) return;
    EXPECT_EQ(TitleLines("A"), 1);
    EXPECT_EQ(TitleEntries("A"), 1);
  };
  Run();
  EXPECT_EQ(TitleLines("A"), 1);
  EXPECT_EQ(TitleLines("B"), 1);
}

TEST_F(DurabilityTest, ALineWithoutItsEntryGetsItBackAndIsNotWrittenAgain) {
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
  EXPECT_EQ(TitleLines("A"), 1);
  EXPECT_EQ(TitleLines("B"), 1);
  EXPECT_EQ(TitleEntries("A"), 1);
  // The foreign line is nobody's title of ours: not taken into the history.
  EXPECT_EQ(ReadAll(HostFile("kivo.txt")).find("elsewhere"), std::string::npos);
}

TEST_F(DurabilityTest, ALineIsFoundHoweverMuchAnotherProgramAppendedAfterIt) {
  // A run killed between A's line and its entry, after which another
  // program appended far more than one piece of the file.
  Day(kDec7, {Titles({"A", "B"})});
  Details({"A", "B"});
  WriteAll(HostFile("kivo.txt"), HistoryText({"20261207" + DetailLink("B")}));
  auto line = [](const std::string& title, const std::string& link) {
    return "\"\",\"" + title + "\",\"\",\"\",\"\",\"\",\"\",0,0,,0,20261207,0,\"\",\"\",\"" + link +
           "\",\"/tmp/x.jpg\"\r\n";
  };
  std::string other;
  for (int i = 0; i < 3000; ++i)
    other += line("other", "http://elsewhere.test/" + std::to_string(i));
  ASSERT_GT(other.size(), 200u * 1024);
  WriteAll(HostFile("QuillsMas.csv"),
           line("TB", DetailLink("B")) + line("TA", DetailLink("A")) + other + "\"unfinished");
  Run();
  EXPECT_EQ(Fetched(), std::vector<std::string>{ListingUrl(kDec7, 1)});
  EXPECT_EQ(TitleEntries("A"), 1);
  EXPECT_EQ(TitleLines("A"), 1);
}

TEST_F(DurabilityTest, OurFirstLineStartsOnANewLineAfterAnotherProgramsLastOne) {
  Day(kDec7, {Titles({"A"})});
  Details({"A"});
  WriteAll(HostFile("QuillsMas.csv"), "\"other\",\"line\"");
  Run();
  const std::string text = ReadAll(HostFile("QuillsMas.csv"));
  EXPECT_EQ(text.substr(0, 17), "\"other\",\"line\"\r\n\"");
  EXPECT_EQ(TitleLines("A"), 1);
  EXPECT_EQ(TitleEntries("A"), 1);
}

#ifdef _WIN32
// A file opened by another handle that shares nothing, as the host may hold
// its catalogue.
class HeldExclusively {
 public:
  explicit HeldExclusively(const std::string& path)
      : h_(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr)) {
    EXPECT_NE(h_, INVALID_HANDLE_VALUE);
  }
  ~HeldExclusively() { CloseHandle(h_); }

 private:
  HANDLE h_;
};

TEST_F(DurabilityTest, ACatalogueThatCannotBeReadEndsTheRunBeforeAnyFetch) {
  Day(kDec7, {Titles({"A"})});
  Details({"A"});
  WriteAll(HostFile("QuillsMas.csv"), "\"x\"\r\n");
  Create(0);
  {
    // The host holding the catalogue without letting anyone read it.
    const HeldExclusively held(HostFile("QuillsMas.csv"));
    EXPECT_THROW(RunHarvest(), TCatalogueReadError);
  }
  EXPECT_TRUE(host_.commands.empty());
  EXPECT_EQ(CountLog("Quillcas.log: kivo\x8e\xb8\x94s. (C.ERROR)"), 1);
}
#endif

TEST_F(DurabilityTest, AHistoryEndingInALineCutShortLoadsWithoutItAndAppendsOnANewLine) {
  Day(kDec7, {Titles({"A"})});
  Details({"A"});
  WriteAll(HostFile("kivo.txt"), "20261201" + DetailLink("X") + "\r\n20261207http://sh");
  Create(0);
  EXPECT_EQ(state_.FHistory.Entries(), std::vector<std::string>{"20261201" + DetailLink("X")});
  // Mid-run, before the history is saved whole, the appended entry stands
  // on its own line.
  CommitHistory(state_, host_.Now(), {DetailLink("A")});
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
    const std::string tail = std::string("kivo.txt") + messages::kCannotWrite;
    ASSERT_GE(what.size(), tail.size());
    EXPECT_EQ(what.substr(what.size() - tail.size()), tail);
  }
  limit.reset();
  EXPECT_EQ(TitleLines("A"), 0);
  EXPECT_EQ(FetchCount(DetailLink("B")), 0);  // the run ended there
  EXPECT_FALSE(fs::exists(ArchiveFile("261207")));
  // With room again, the next run writes A once.
  on_fetch_ = nullptr;
  Run();
  EXPECT_EQ(TitleLines("A"), 1);
  EXPECT_EQ(TitleLines("B"), 1);
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
  EXPECT_EQ(TitleLines("A"), 0);
  EXPECT_EQ(TitleLines("B"), 1);
  EXPECT_EQ(TitleEntries("A"), 0);
  EXPECT_FALSE(fs::exists(ArchiveFile("261207")));
  on_fetch_ = nullptr;
  Run();
  EXPECT_EQ(TitleLines("A"), 1);
  EXPECT_EQ(TitleLines("B"), 1);
  EXPECT_TRUE(fs::exists(ArchiveFile("261207")));
}
#endif

// ---- Complete days only ----------------------------------------------------------------

TEST_F(DurabilityTest, ASecondPageThatFailsOnceIsWalkedAgainByTheNextRun) {
  Day(kDec7, {Titles({"A"}, true), Titles({"B"})});
  Details({"A", "B"});
  exit_codes_[ListingUrl(kDec7, 2)] = kTransient;
  Run();
  EXPECT_EQ(TitleLines("A"), 1);
  EXPECT_EQ(TitleLines("B"), 0);
  EXPECT_FALSE(fs::exists(ArchiveFile("261207")));

  exit_codes_.clear();
  host_.commands.clear();
  Run();
  EXPECT_EQ(Fetched(), (std::vector<std::string>{ListingUrl(kDec7, 1), ListingUrl(kDec7, 2),
                                                 DetailLink("B")}));
  EXPECT_EQ(TitleLines("A"), 1);
  EXPECT_EQ(TitleLines("B"), 1);
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
  host_.AfterCommand(3, [this] { state_.FSkipRequested = true; });  // during page 2's fetch
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
  EXPECT_EQ(TitleEntries("A"), 0);
  EXPECT_EQ(TitleEntries("B"), 1);
  EXPECT_EQ(TitleLines("C"), 1);
  EXPECT_FALSE(fs::exists(ArchiveFile("261207")));
  EXPECT_EQ(LogLines().back(), Summary(1, 2, 1));

  exit_codes_.clear();
  host_.commands.clear();
  Run();
  EXPECT_EQ(Fetched(), (std::vector<std::string>{ListingUrl(kDec7, 1), DetailLink("A")}));
  EXPECT_EQ(TitleLines("A"), 1);
  EXPECT_EQ(TitleLines("B"), 0);
  EXPECT_EQ(TitleLines("C"), 1);
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
  EXPECT_TRUE(harvest_->ShopDown());

  // The next run starts afresh.
  exit_codes_.clear();
  Details({"A", "B", "C"});
  Run(0);
  for (const char* code : {"A", "B", "C", "D"}) EXPECT_EQ(TitleLines(code), 1) << code;
}

TEST_F(DurabilityTest, AnAnswerInBetweenKeepsTheShopUp) {
  Day(kDec7, {Titles({"A", "B", "C", "D", "E"})});
  Details({"C", "E"});
  exit_codes_[DetailLink("A")] = kNoAnswer;
  exit_codes_[DetailLink("B")] = kNoAnswer;
  exit_codes_[DetailLink("D")] = kNoAnswer;
  Run();
  EXPECT_FALSE(harvest_->ShopDown());
  EXPECT_EQ(TitleLines("E"), 1);
}

TEST_F(DurabilityTest, StopDuringALongDownloadEndsItAtOnceAndKeepsTheTitle) {
  Day(kDec7, {Titles({"A"})});
  Details({"A"});
  host_.process_ms = 60000;
  std::int64_t stop_at = -1;
  host_.AfterCommand(2, [&] {
    stop_at = host_.now_ms;
    state_.FStopRequested = true;
  });
  host_.on_kill = [&] { EXPECT_LE(host_.now_ms - stop_at, 100); };
  Run();
  EXPECT_EQ(host_.kills, 1);
  EXPECT_EQ(TitleEntries("A"), 0);
  host_.process_ms = 300;
  Run();
  EXPECT_EQ(TitleLines("A"), 1);
}

// ---- Days that leave the window ------------------------------------------------------

TEST_F(DurabilityTest, TheHistoryOutlivesALongWindow) {
  // 92 days back: a title fetched on its listing day, 92 days ago, is still
  // known, so the day is walked without writing it again.
  const CivilDate sep6{2026, 9, 6};
  Day(sep6, {Titles({"A"})});
  Details({"A"});
  WriteAll(HostFile("kivo.txt"),
           HistoryText({"20260906" + DetailLink("A"), "20261206" + DetailLink("X")}));
  Run(92);
  EXPECT_EQ(TitleEntries("A"), 1);
  EXPECT_EQ(TitleLines("A"), 0);
  // Kept by the pruning at the end of the run, gone once the window is 90.
  EXPECT_NE(ReadAll(HostFile("kivo.txt")).find("20260906"), std::string::npos);
  Run(90);
  EXPECT_EQ(ReadAll(HostFile("kivo.txt")).find("20260906"), std::string::npos);
  EXPECT_EQ(TitleEntries("X"), 1);
}

TEST_F(DurabilityTest, ADayLeftIncompleteIsWalkedAfterItLeavesTheWindow) {
  const CivilDate dec8{2026, 12, 8};
  Day(dec8, {Titles({})});
  Day(kDec7, {Titles({})});
  Day(kDec6, {Titles({"A", "B"})});
  Details({"A", "B"});
  exit_codes_[DetailLink("A")] = kTransient;
  // While a run is on, its window counts as unfinished: a kill leaves it to
  // the next run.
  std::string record_during_run;
  on_fetch_ = [&](const std::string&) {
    if (record_during_run.empty()) {
      record_during_run = platform::IniRead(HostFile("Quillcast.ini"), "kivo", "UnfinishedDays");
    }
  };
  Run(1);
  EXPECT_EQ(record_during_run, "20261207,20261206");
  EXPECT_EQ(platform::IniRead(HostFile("Quillcast.ini"), "kivo", "UnfinishedDays"), "20261206");
  EXPECT_EQ(TitleLines("B"), 1);

  // Two days later, Dec 6 is out of the window of one day back.
  on_fetch_ = nullptr;
  exit_codes_.clear();
  host_.SetClock({{2026, 12, 8}, 10, 0, 0, 0});
  host_.commands.clear();
  Run(1);
  EXPECT_EQ(Fetched(), (std::vector<std::string>{ListingUrl(dec8, 1), ListingUrl(kDec7, 1),
                                                 ListingUrl(kDec6, 1), DetailLink("A")}));
  EXPECT_EQ(TitleLines("A"), 1);
  EXPECT_EQ(TitleLines("B"), 1);
  EXPECT_EQ(platform::IniRead(HostFile("Quillcast.ini"), "kivo", "UnfinishedDays"), "");
  EXPECT_EQ(LogLines().back(), Summary(1, 0, 3));
}

TEST_F(DurabilityTest, AnUnfinishedDayTheHistoryNoLongerCoversIsDropped) {
  const CivilDate sep8{2026, 9, 8};  // 90 days before Dec 7
  Day(sep8, {Titles({"A"})});
  Details({"A"});
  Create(0);
  platform::IniWrite(HostFile("Quillcast.ini"), "kivo", "UnfinishedDays", "20261205,20260908");
  RunHarvest();
  EXPECT_EQ(Fetched(),
            (std::vector<std::string>{ListingUrl(kDec7, 1), ListingUrl({2026, 12, 5}, 1)}));
  EXPECT_EQ(platform::IniRead(HostFile("Quillcast.ini"), "kivo", "UnfinishedDays"),
            "20261207,20261205");
}

TEST_F(DurabilityTest, ARunThatEndsEarlyKeepsTheRecordOfUnfinishedDays) {
  // A's line is in the catalogue, so its entry is restored when the list
  // names it; but a folder stands where the history file should: the run
  // ends on its first day, which stays unfinished with the one it read.
  Day(kDec7, {Titles({"A"})});
  Details({"A"});
  fs::create_directory(HostFile("kivo.txt"));
  WriteAll(HostFile("QuillsMas.csv"),
           "\"\",\"TA\",\"\",\"\",\"\",\"\",\"\",0,0,,0,20261207,0,\"\",\"\",\"" + DetailLink("A") +
               "\",\"/tmp/x.jpg\"\r\n");
  Create(0);
  platform::IniWrite(HostFile("Quillcast.ini"), "kivo", "UnfinishedDays", "20261205");
  EXPECT_THROW(RunHarvest(), std::runtime_error);
  EXPECT_EQ(Fetched(), std::vector<std::string>{ListingUrl(kDec7, 1)});
  EXPECT_EQ(platform::IniRead(HostFile("Quillcast.ini"), "kivo", "UnfinishedDays"),
            "20261207,20261205");
  EXPECT_EQ(TitleLines("A"), 1);
}

// ---- Links, summary, warnings -----------------------------------------------------------

TEST_F(DurabilityTest, DetailPagesComeOnlyFromTheShopsOwnHostOverHttpOrHttps) {
  // The base address is http; the shop links its pages with https on its
  // own host, at the default port or at its own. Another host, another
  // port, a look-alike host and a user part naming the shop stay out.
  auto link = [](const std::string& origin, const std::string& code) {
    return origin + "/bec/SA/Detail?refShinCode=" + code;
  };
  const std::string https_a = link("https://shop.test", "A");
  const std::string https_b = link("HTTPS://Shop.Test:443", "B");
  ListingPage page = ListingPage().Start();
  for (const std::string& href :
       {https_a, https_b, link("https://shop.test:8443", "C"), link("https://shop.test.evil", "D"),
        link("http://shop.test@evil.test", "E"),
        "http://evil.test/bec/SA/Detail?refShinCode=F&u=" + DetailLink("F"), DetailLink("G")}) {
    page.Raw("<a href=\"" + href + "\">x</a>\r\n");
  }
  Day(kDec7, {page.End()});
  Page(https_a, DetailPage("A"));
  Page(https_b, DetailPage("B"));
  Details({"G"});
  Run();
  EXPECT_EQ(Fetched(),
            (std::vector<std::string>{ListingUrl(kDec7, 1), https_a, https_b, DetailLink("G")}));
  EXPECT_EQ(TitleLines("A"), 1);
  // An ordinary run: no warning, and the summary last.
  EXPECT_EQ(view_.status_text, "");
  EXPECT_EQ(LogLines().back(), Summary(3, 0, 1));
}

TEST_F(DurabilityTest, ARunThatGetsNoListingPageSaysSo) {
  Day(kDec7, {Titles({"A"})});
  Day(kDec6, {Titles({"B"})});
  exit_codes_[ListingUrl(kDec7, 1)] = kTransient;  // a 503
  exit_codes_[ListingUrl(kDec6, 1)] = kNoAnswer;
  Run(1);
  EXPECT_EQ(view_.status_text, kNoListingPage);
  EXPECT_EQ(CountLog(std::string("Quillcas.log: ") + kNoListingPage + " (C.ERROR)"), 1);
  EXPECT_EQ(LogLines().back(), Summary(0, 2, 2));
}

TEST_F(DurabilityTest, AHelperThatCannotBeStartedEndsTheRunAndSaysSo) {
  Day(kDec7, {Titles({"A"})});
  Day(kDec6, {Titles({"B"})});
  host_.can_start = false;
  Run(1);
  EXPECT_EQ(host_.commands.size(), 1u);  // no second attempt
  EXPECT_EQ(view_.status_text, kHelperNotStarted);
  EXPECT_EQ(CountLog(std::string("Quillcas.log: ") + kHelperNotStarted + " (C.ERROR)"), 1);
  EXPECT_EQ(CountLog(std::string("Quillcas.log: ") + kNoListingPage + " (C.ERROR)"), 0);
  EXPECT_EQ(LogLines().back(), Summary(0, 1, 1));
}

TEST_F(DurabilityTest, PagesThatNoLongerLookAsExpectedAreReported) {
  // Lists whose links are all unusable: relative, or on a host the shop
  // has moved to.
  Day(kDec7, {ListingPage()
                  .Start()
                  .Raw("<a href=\"/bec/SA/Detail?refShinCode=A\">x</a>\r\n")
                  .Raw("<a href=\"http://www2.shop.test/bec/SA/Detail?refShinCode=B\">x</a>\r\n")
                  .End()});
  Run();
  EXPECT_EQ(Fetched(), std::vector<std::string>{ListingUrl(kDec7, 1)});
  EXPECT_EQ(view_.status_text, kPagesChanged);
  // A page of a new design with no list at all.
  Day(kDec7, {ListingPage().Text("a page of a new design")});
  Run();
  EXPECT_EQ(CountLog(std::string("Quillcas.log: ") + kPagesChanged + " (C.ERROR)"), 2);
}

TEST_F(DurabilityTest, APageWithoutTitleOrIsbnIsNotReadAndTriedAgain) {
  // A maintenance page answered with 200 where the title's page should be.
  Day(kDec7, {Titles({"A"})});
  Page(DetailLink("A"), "<html><body><p class=\"newTitle\">TA</p></body></html>");
  Run();
  EXPECT_EQ(view_.status_text, kPagesChanged);
  EXPECT_EQ(TitleEntries("A"), 0);
  EXPECT_EQ(LogLines().back(), Summary(0, 1, 1));
  EXPECT_FALSE(fs::exists(ArchiveFile("261207")));
  Details({"A"});
  Run();
  EXPECT_EQ(TitleLines("A"), 1);
}

}  // namespace
}  // namespace kivo::testing
