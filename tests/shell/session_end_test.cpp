// The end of the user's session while a harvest runs and in configuration
// mode: what the files hold the moment the handler returns, which is when
// the system ends the process.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "shell/window_logic.h"
#include "support/fake_shop.h"
#include "support/fake_view.h"

namespace kivo::testing {
namespace {

// The files as the handler left them.
struct Snapshot {
  std::string history, catalogue, settings, log;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// The links of the catalogue's lines (field 16, the one quoted field that
// holds the shop's detail address).
std::multiset<std::string> CatalogueLinks(const std::string& catalogue) {
  std::multiset<std::string> links;
  const std::string head = std::string("\"") + kShopBase + "/bec/SA/Detail";
  for (const std::string& line : Lines(catalogue)) {
    const std::size_t at = line.find(head);
    if (at == std::string::npos) continue;
    links.insert(line.substr(at + 1, line.find('"', at + 1) - at - 1));
  }
  return links;
}

std::multiset<std::string> HistoryLinks(const std::string& history) {
  std::multiset<std::string> links;
  for (const std::string& entry : Lines(history)) links.insert(entry.substr(8));
  return links;
}

// The window's logic over a fake view, against the in-memory shop.
class FormRunTest : public ::testing::Test, protected ShopFolders {
 protected:
  explicit FormRunTest(std::vector<std::string> args = {})
      : form_(view_, host_, std::move(args), ProgramPath()) {
    view_.Attach(form_);
  }
  FakeView view_;
  TFormDLL form_;
};

class SessionEndTest : public FormRunTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    day_ = DecodeDate(host_.Now());
    Day(day_, {ListingPage().Start().Title("A1").Title("B2").Title("C3").End()});
    Details({"A1", "B2", "C3"});
  }
  Snapshot Take() {
    return {ReadAll(HostFile("kivo.txt")), ReadAll(HostFile("QuillsMas.csv")),
            ReadAll(HostFile("Quillcast.ini")), ReadAll(HostFile("Quillcas.log"))};
  }
  CivilDate day_;
};

// Ended at each message pump of the run in turn: whatever the moment, every
// title in the catalogue has its history entry (the next run writes none
// twice) and no entry lacks its line (none is lost for 90 days).
TEST_P(SessionEndTest, HistoryMatchesTheCatalogueAtEveryPump) {
  int pump = 0;
  bool ended = false;
  Snapshot at_end;
  host_.on_pump = [&] {
    if (ended || ++pump != GetParam()) return;
    ended = true;
    form_.FormEndSession();
    at_end = Take();
  };
  form_.FormCreate();
  view_.days_text = "7";
  form_.FormActivate();
  if (!ended) GTEST_SKIP() << "the run pumped fewer than " << GetParam() << " times";

  EXPECT_TRUE(form_.RunState().FStopRequested);
  EXPECT_EQ(HistoryLinks(at_end.history), CatalogueLinks(at_end.catalogue));
  // The system may end the process at any moment after: the run that still
  // unwinds writes no line that could lack its entry.
  EXPECT_EQ(ReadAll(HostFile("QuillsMas.csv")), at_end.catalogue);
  const std::vector<std::string> log = Lines(at_end.log);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back().rfind("--- END ---", 0), 0u) << log.back();
  EXPECT_NE(at_end.settings.find("DLBeforeDays=7"), std::string::npos) << at_end.settings;
  // Only one end line, however the stopped run unwinds afterwards.
  int ends = 0;
  for (const std::string& line : Lines(ReadAll(HostFile("Quillcas.log")))) {
    ends += line.rfind("--- END ---", 0) == 0 ? 1 : 0;
  }
  EXPECT_EQ(ends, 1);
}

// The first sixty pumps take the run through two titles: the fetches, the
// moments between a title's history entry and its catalogue line, and the
// pauses after each.
INSTANTIATE_TEST_SUITE_P(EachPump, SessionEndTest, ::testing::Range(1, 61));

TEST_F(SessionEndTest, ATitleWhosePageIsBeingAnalysedIsLeftForTheNextRun) {
  // The tokenizer pumps while the page is analysed: neither the line nor
  // the entry is on disk yet, and the session end records neither.
  bool ended = false;
  Snapshot at_end;
  // The fetch's log line ("<size>:<link>") comes just before the analysis.
  const std::string fetched = ":" + DetailLink("A1") + "\r\n";
  host_.on_pump = [&] {
    if (ended || ReadAll(HostFile("Quillcas.log")).find(fetched) == std::string::npos ||
        !ReadAll(HostFile("QuillsMas.csv")).empty()) {
      return;
    }
    ended = true;
    form_.FormEndSession();
    at_end = Take();
  };
  form_.FormCreate();
  form_.FormActivate();
  ASSERT_TRUE(ended);
  EXPECT_EQ(at_end.history, "");
  EXPECT_EQ(at_end.catalogue, "");
}

class ConfigurationSessionEndTest : public FormRunTest {
 protected:
  ConfigurationSessionEndTest() : FormRunTest({"/c"}) {}
};

TEST_F(ConfigurationSessionEndTest, StoresTheTypedDaysAndEndsTheLog) {
  form_.FormCreate();
  form_.FormActivate();
  WriteAll(HostFile("kivo.txt"), MakeHistoryEntry(host_.Now() - 200, DetailLink("X")) + "\r\n");
  view_.days_text = "45";
  form_.FormEndSession();
  EXPECT_NE(ReadAll(HostFile("Quillcast.ini")).find("DLBeforeDays=45"), std::string::npos);
  const std::vector<std::string> log = Lines(ReadAll(HostFile("Quillcas.log")));
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back().rfind("--- END ---", 0), 0u);
  // No run: the history is not touched (not even pruned).
  EXPECT_NE(ReadAll(HostFile("kivo.txt")), "");
  // A second notice changes nothing.
  view_.days_text = "46";
  form_.FormEndSession();
  EXPECT_NE(ReadAll(HostFile("Quillcast.ini")).find("DLBeforeDays=45"), std::string::npos);
  EXPECT_EQ(Lines(ReadAll(HostFile("Quillcas.log"))).size(), log.size());
}

}  // namespace
}  // namespace kivo::testing
