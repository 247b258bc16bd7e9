// The history list: the indexed lookup against a plain scan, loading, the
// 90-day pruning and the atomic save.
#include "harvest/history.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "harvest/canonical_link.h"
#include "platform/datetime.h"
#include "support/temp_folder.h"

namespace kivo {
namespace {

using testing::ReadAll;
using testing::Sep;
using testing::TempFolder;
using testing::WriteAll;

constexpr char kLink[] = "http://shop.test/bec/SA/Detail?refShinCode=012026120701";

// 2026-12-07 10:00 local.
double Dec7() { return EncodeDateTime({{2026, 12, 7}, 10, 0, 0, 0}); }

// What the lookup must answer: the entries from the first, each taken from
// its 9th character, compared with the link as the page each names.
bool ScanForLink(const std::vector<std::string>& entries, const std::string& link) {
  for (const auto& e : entries) {
    if (CanonicalLink(e.size() > 8 ? e.substr(8) : std::string()) == CanonicalLink(link)) {
      return true;
    }
  }
  return false;
}

// ---- Lookup -------------------------------------------------------------------

TEST(HistoryLookup, MatchesThePageTheLinkPartNames) {
  THistory h;
  h.Add(std::string("20261207") + kLink);
  EXPECT_TRUE(h.IsInHistory(kLink));
  // A different date in front makes no difference; only characters 9 on count.
  THistory other_day;
  other_day.Add(std::string("19990101") + kLink);
  EXPECT_TRUE(other_day.IsInHistory(kLink));
  // The same page written another way is found; another page is not.
  const std::string link = kLink;
  EXPECT_TRUE(h.IsInHistory("HTTPS://Shop.Test:443/bec/SA/Detail?refShinCode=012026120701#top"));
  EXPECT_TRUE(h.IsInHistory(link + " "));
  EXPECT_FALSE(h.IsInHistory(link + "1"));
  EXPECT_FALSE(h.IsInHistory(link.substr(0, link.size() - 1)));
  EXPECT_FALSE(h.IsInHistory("http://shop.test/bec/sa/Detail?refShinCode=012026120701"));
  EXPECT_FALSE(h.IsInHistory(std::string("20261207") + kLink));
  EXPECT_FALSE(h.IsInHistory(""));
}

TEST(HistoryLookup, ShortEntriesOnlyMatchAnEmptyLink) {
  THistory h;
  EXPECT_FALSE(h.IsInHistory(""));
  h.Add("20261207");  // exactly eight characters
  EXPECT_TRUE(h.IsInHistory(""));
  EXPECT_FALSE(h.IsInHistory("20261207"));
  THistory shorter;
  shorter.Add("");
  shorter.Add("2026");
  EXPECT_TRUE(shorter.IsInHistory(""));
  EXPECT_FALSE(shorter.IsInHistory("2026"));
  // Nine characters: a link of one character.
  shorter.Add("20261207x");
  EXPECT_TRUE(shorter.IsInHistory("x"));
}

TEST(HistoryLookup, KeepsEntriesInOrderWithDuplicates) {
  THistory h;
  h.Add(std::string("20261201") + kLink);
  h.Add(std::string("20261207") + kLink);
  h.Add("20261207other");
  ASSERT_EQ(h.Count(), 3u);
  EXPECT_EQ(h.Entries()[1], std::string("20261207") + kLink);
  EXPECT_TRUE(h.IsInHistory("other"));
  h.Clear();
  EXPECT_EQ(h.Count(), 0u);
  EXPECT_FALSE(h.IsInHistory(kLink));
  EXPECT_FALSE(h.IsInHistory("other"));
}

TEST(HistoryLookup, RemoveLastForgetsOnlyTheNewestEntry) {
  THistory h;
  h.Add(std::string("20261201") + kLink);
  h.Add("20261207other");
  h.Add(std::string("20261207") + kLink);  // a repeat of the first link
  h.RemoveLast();
  EXPECT_TRUE(h.IsInHistory(kLink));  // the older entry still holds it
  h.RemoveLast();
  EXPECT_FALSE(h.IsInHistory("other"));
  EXPECT_EQ(h.Entries(), std::vector<std::string>{std::string("20261201") + kLink});
  h.RemoveLast();
  h.RemoveLast();  // nothing left: no effect
  EXPECT_EQ(h.Count(), 0u);
  EXPECT_FALSE(h.IsInHistory(kLink));
}

// Random entries over a tiny alphabet, so that near misses, short entries,
// Shift-JIS bytes and repeats are common; the index must agree with the scan
// on every link asked.
TEST(HistoryLookup, AgreesWithAPlainScan) {
  std::mt19937 random(20261207);
  const std::string alphabet("2a/?\x82\xa0\x8c\x8e\0A", 10);
  auto text = [&](int max_length) {
    std::string s;
    const int length = static_cast<int>(random() % static_cast<unsigned>(max_length + 1));
    for (int i = 0; i < length; ++i) s += alphabet[random() % alphabet.size()];
    return s;
  };
  for (int round = 0; round < 50; ++round) {
    THistory h;
    std::vector<std::string> entries;
    const int count = static_cast<int>(random() % 40);
    for (int i = 0; i < count; ++i) {
      entries.push_back(text(12));
      h.Add(entries.back());
    }
    for (int i = 0; i < 200; ++i) {
      const std::string link = text(4);
      ASSERT_EQ(h.IsInHistory(link), ScanForLink(entries, link)) << "round " << round;
    }
    // Every entry's own link part is found.
    for (const auto& e : entries) ASSERT_TRUE(h.IsInHistory(e.size() > 8 ? e.substr(8) : ""));
  }
}

// Enough entries for the index to grow many times, added one by one and
// loaded from a file.
TEST(HistoryLookup, FindsEveryLinkOfALargeHistory) {
  std::vector<std::string> entries;
  for (int i = 0; i < 20000; ++i) {
    entries.push_back("20261207" + std::string(kLink) + std::to_string(i * 2));
  }
  entries.push_back("20261207" + std::string(kLink) + "0");  // a repeat
  THistory added;
  for (const auto& e : entries) added.Add(e);
  TempFolder folder("kivo-history-");
  SaveHistoryFile(folder.File("kivo.txt"), entries);
  THistory loaded;
  loaded.LoadFromFile(folder.File("kivo.txt"));
  for (const THistory* h : {&added, &loaded}) {
    ASSERT_EQ(h->Entries(), entries);
    for (int i = 0; i < 40000; ++i) {
      ASSERT_EQ(h->IsInHistory(std::string(kLink) + std::to_string(i)), i % 2 == 0) << i;
    }
  }
}

TEST(HistoryEntry, IsTheLocalDateAndTheLink) {
  EXPECT_EQ(MakeHistoryEntry(Dec7(), kLink), std::string("20261207") + kLink);
  // The last millisecond of the day is still that day.
  EXPECT_EQ(MakeHistoryEntry(EncodeDateTime({{2027, 1, 5}, 23, 59, 59, 999}), "x"), "20270105x");
  EXPECT_EQ(MakeHistoryEntry(EncodeDateTime({{999, 3, 4}, 0, 0, 0, 0}), ""), "09990304");
}

// ---- Loading --------------------------------------------------------------------

TEST(HistoryLoad, SplitsOnEveryLineEndAndKeepsEmptyLines) {
  TempFolder folder("kivo-history-");
  const std::string path = folder.File("kivo.txt");
  WriteAll(path, "20261207a\r\n\r\n20261206b\n2026\r20261205c\r\n");
  THistory h;
  h.Add("20200101old");
  h.LoadFromFile(path);
  ASSERT_EQ(h.Entries(),
            (std::vector<std::string>{"20261207a", "", "20261206b", "2026", "20261205c"}));
  EXPECT_FALSE(h.EndsMidLine());
  EXPECT_TRUE(h.IsInHistory("a"));
  EXPECT_TRUE(h.IsInHistory("c"));
  EXPECT_TRUE(h.IsInHistory(""));  // the empty and the short line
  EXPECT_FALSE(h.IsInHistory("old"));
}

TEST(HistoryLoad, AFileThatCannotBeReadThrowsAndKeepsTheEntries) {
  TempFolder folder("kivo-history-");
  std::filesystem::create_directory(folder.Path() / "kivo.txt");  // read fails
  THistory h;
  h.Add("20261207a");
  EXPECT_THROW(h.LoadFromFile(folder.File("kivo.txt")), std::runtime_error);
  EXPECT_EQ(h.Entries(), std::vector<std::string>{"20261207a"});
  EXPECT_TRUE(h.IsInHistory("a"));
}

// ---- Pruning --------------------------------------------------------------------

TEST(HistoryPrune, KeepsEntriesYoungerThanNinetyDays) {
  EXPECT_EQ(HistoryCutDate(Dec7(), 90), "20260908");
  const std::vector<std::string> entries = {"20261207today", "20260909day89", "20260908day90",
                                            "20260521day200", "20261208tomorrow"};
  EXPECT_EQ(PruneHistory(entries, Dec7(), 90),
            (std::vector<std::string>{"20261207today", "20260909day89", "20261208tomorrow"}));
}

TEST(HistoryPrune, EntriesOutliveTheDaysWindow) {
  // A window of 91 days or more keeps the entries of its oldest day; the
  // cut never falls before the calendar's first day.
  EXPECT_EQ(HistoryKeepDays(-5), 90);
  EXPECT_EQ(HistoryKeepDays(89), 90);
  EXPECT_EQ(HistoryKeepDays(90), 91);
  EXPECT_EQ(HistoryKeepDays(2147483647), 2147483647);
  EXPECT_EQ(PruneHistory({"20260906a", "20260905b"}, Dec7(), HistoryKeepDays(92)),
            std::vector<std::string>{"20260906a"});
  EXPECT_EQ(HistoryCutDate(Dec7(), HistoryKeepDays(2147483647)), "00010101");
}

TEST(HistoryPrune, TheCutMovesWithTheClockNotTheTimeOfDay) {
  // Any time of 7 December gives the same cut; one millisecond after
  // midnight the cut is a day later.
  EXPECT_EQ(HistoryCutDate(EncodeDateTime({{2026, 12, 7}, 0, 0, 0, 0}), 90), "20260908");
  EXPECT_EQ(HistoryCutDate(EncodeDateTime({{2026, 12, 7}, 23, 59, 59, 999}), 90), "20260908");
  EXPECT_EQ(HistoryCutDate(EncodeDateTime({{2026, 12, 8}, 0, 0, 0, 1}), 90), "20260909");
  // Across a leap day and a year end.
  EXPECT_EQ(HistoryCutDate(EncodeDateTime({{2024, 3, 1}, 12, 0, 0, 0}), 90), "20231202");
}

TEST(HistoryPrune, ComparesTheFirstEightBytesAsUnsignedText) {
  const std::vector<std::string> entries = {
      "",                      // dropped
      "2026",                  // a proper beginning of the cut: smaller
      "20260908",              // equal to the cut, nothing after it
      "2026091",               // seven characters, greater at the seventh
      "2026-12-07x",           // '-' sorts before digits
      "abcdefgh",              // letters sort after digits: kept, as the comparison says
      "\x82\xa0\x82\xa0zzzz",  // bytes of 0x80 and more count as large
  };
  EXPECT_EQ(PruneHistory(entries, Dec7(), 90),
            (std::vector<std::string>{"2026091", "abcdefgh", "\x82\xa0\x82\xa0zzzz"}));
  EXPECT_TRUE(PruneHistory({}, Dec7(), 90).empty());
}

// ---- Saving ---------------------------------------------------------------------

TEST(HistorySave, WritesEachLineWithCrLfReplacingTheFile) {
  TempFolder folder("kivo-history-");
  const std::string path = folder.File("kivo.txt");
  WriteAll(path, "old contents that are longer than the new ones\r\n");
  SaveHistoryFile(path, {"20261207a", "20261206\x82\xa0"});
  EXPECT_EQ(ReadAll(path), "20261207a\r\n20261206\x82\xa0\r\n");
  // Nothing but the file itself is left in the folder.
  int files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder.Path())) ++files;
  EXPECT_EQ(files, 1);
}

TEST(HistorySave, AnEmptyListGivesAnEmptyFile) {
  TempFolder folder("kivo-history-");
  const std::string path = folder.File("kivo.txt");
  SaveHistoryFile(path, {});
  ASSERT_TRUE(std::filesystem::is_regular_file(path));
  EXPECT_EQ(std::filesystem::file_size(path), 0u);
  WriteAll(path, "20261207a\r\n");
  SaveHistoryFile(path, {});
  EXPECT_EQ(std::filesystem::file_size(path), 0u);
}

TEST(HistorySave, AFailedSaveThrowsAndLeavesWhatWasThere) {
  TempFolder folder("kivo-history-");
  // A folder in the file's place: the rename over it fails.
  std::filesystem::create_directory(folder.Path() / "kivo.txt");
  std::filesystem::create_directory(folder.Path() / "kivo.txt" / "keep");
  const std::string path = folder.File("kivo.txt");
  try {
    SaveHistoryFile(path, {"20261207a"});
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    // "<path> に書き込めません"
    EXPECT_EQ(std::string(e.what()),
              path + " \x82\xc9\x8f\x91\x82\xab\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1");
  }
  EXPECT_TRUE(std::filesystem::is_directory(folder.Path() / "kivo.txt" / "keep"));
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder.Path())) {
    ++entries;
  }
  EXPECT_EQ(entries, 1);  // no temporary file left behind
  // A folder that does not exist.
  EXPECT_THROW(SaveHistoryFile(folder.File("missing") + Sep() + "kivo.txt", {}),
               std::runtime_error);
}

}  // namespace
}  // namespace kivo
