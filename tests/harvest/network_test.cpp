// The plugin's side of the network's failures, on the fake platform: a shop
// that cannot be verified or a proxy that wants credentials ends the run at
// once and says why; a redirect the helper refused is not recorded and, when
// it is the shop's rule, named; a helper that hangs is ended and its page
// tried again by the next run; and every failed fetch's log line names its
// kind.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "harvest/harvest_fixture.h"
#include "harvest/harvest_texts.h"
#include "protocol/exit_code.h"
#include "protocol/politeness.h"

namespace kivo::testing {
namespace {

using protocol::ExitCode;

constexpr CivilDate kDec7{2026, 12, 7};

int Code(ExitCode code) { return static_cast<int>(code); }

// The log line of a failed fetch: its kind, whether the next run tries
// again, and the address.
std::string FailureLine(const std::string& kind, const std::string& address, bool retried = true) {
  return kind + (retried ? texts::kRetriedNextRun : "") + ": " + address;
}

std::string ErrorLine(const std::string& message) {
  return "Quillcas.log: " + message + " (C.ERROR)";
}

class NetworkTest : public HarvestTest {
 protected:
  void Run() {
    Create();
    RunHarvest();
  }
  // The helper fails `address` with `code`, leaving a failure note `note`
  // ("key=value\n" lines) beside the detail file, as the helper does.
  void FailDetail(const std::string& code_name, ExitCode code, const std::string& note = "") {
    const std::string address = DetailLink(code_name);
    exit_codes_[address] = Code(code);
    notes_[address] = note;
  }
  bool InHistory(const std::string& code) const {
    return ReadAll(HostFile("kivo.txt")).find(DetailLink(code)) != std::string::npos;
  }
  void SetUp() override {
    on_fetch_ = [this](const std::string& address) {
      const auto note = notes_.find(address);
      if (note != notes_.end() && !note->second.empty()) {
        WriteAll(DetailFile() + protocol::kFailureNoteSuffix, note->second);
      }
      const auto hang = hangs_.find(address);
      host_.process_ms = hang != hangs_.end() ? hang->second : 300;
    };
  }

  // A detail page that fails with `code`: the run ends at once, the page
  // is not recorded, the user is told `message`, and the next run fetches
  // it.
  void ExpectTheRunEnds(ExitCode code, const char* kind, const char* message) {
    Day(kDec7, {Titles({"A", "B"})});
    Details({"A", "B"});
    FailDetail("A", code);
    Run();
    EXPECT_EQ(Fetched(), (std::vector<std::string>{ListingUrl(kDec7, 1), DetailLink("A")}));
    EXPECT_FALSE(InHistory("A"));
    EXPECT_EQ(platform::IniRead(HostFile("Quillcast.ini"), "kivo", "UnfinishedDays"), "20261207");
    EXPECT_EQ(view_.status_text, message);
    EXPECT_EQ(CountLog(FailureLine(kind, DetailLink("A"))), 1);
    EXPECT_EQ(CountLog(ErrorLine(message)), 1);
    EXPECT_EQ(LogLines().back(), Summary(0, 1, 1));
    exit_codes_.clear();
    Run();
    EXPECT_TRUE(InHistory("A"));
    EXPECT_TRUE(InHistory("B"));
  }

  std::map<std::string, std::string> notes_;
  std::map<std::string, int> hangs_;  // address -> how long its helper runs
};

// ---- A shop that cannot be reached safely ----------------------------------------------

TEST_F(NetworkTest, ACertificateThatCannotBeVerifiedEndsTheRunAtOnceAndSaysWhy) {
  ExpectTheRunEnds(ExitCode::kCertificate, texts::kFailCertificate, texts::kCertificateUnverified);
}

TEST_F(NetworkTest, AProxyThatWantsCredentialsEndsTheRunAtOnceAndSaysWhy) {
  ExpectTheRunEnds(ExitCode::kProxyAuth, texts::kFailProxyAuth, texts::kProxyAuthRequired);
}

TEST_F(NetworkTest, AFirstListingPageThatCannotBeVerifiedIsNotHiddenBehindAnotherMessage) {
  Day(kDec7, {Titles({"A"})});
  exit_codes_[ListingUrl(kDec7, 1)] = Code(ExitCode::kCertificate);
  Run();
  EXPECT_EQ(host_.commands.size(), 1u);
  // The status bar keeps the reason: no "no listing page came" after it.
  EXPECT_EQ(view_.status_text, texts::kCertificateUnverified);
  EXPECT_EQ(CountLog(ErrorLine(texts::kNoListingPage)), 0);
}

TEST_F(NetworkTest, AnotherHostsCertificateCostsOnlyWhatItServes) {
  Day(kDec7, {Titles({"A", "B"})});
  const std::string cover = "http://img.example/A.jpg";
  Page(DetailLink("A"),
       "<html><body><p class=\"itemTitle\">TA</p><img src=\"" + cover + "\"></body></html>\r\n");
  Details({"B"});
  exit_codes_[cover] = Code(ExitCode::kCertificate);
  Run();
  EXPECT_TRUE(InHistory("A"));
  EXPECT_TRUE(InHistory("B"));
  EXPECT_EQ(CountLog(FailureLine(texts::kFailCertificate, cover)), 1);
  EXPECT_EQ(view_.status_text, "");
}

// ---- Redirects that leave the shop -------------------------------------------------------

TEST_F(NetworkTest, ARefusedRedirectIsNotRecordedAndNamesItsHost) {
  Day(kDec7, {Titles({"A", "B"})});
  Details({"A", "B"});
  FailDetail("A", ExitCode::kRedirectRefused, "host=Elsewhere.Example\n");
  Run();
  EXPECT_FALSE(InHistory("A"));
  EXPECT_TRUE(InHistory("B"));
  EXPECT_EQ(CountLog(FailureLine(std::string(texts::kFailRedirected) + texts::kParenOpen +
                                     "elsewhere.example" + texts::kParenClose,
                                 DetailLink("A"))),
            1);
  EXPECT_EQ(LogLines().back(), Summary(1, 1, 1));
  // One page sent away is not the shop's rule: nothing in the status bar.
  EXPECT_EQ(view_.status_text, "");
  exit_codes_.clear();
  host_.commands.clear();
  Run();
  EXPECT_EQ(Fetched(), (std::vector<std::string>{ListingUrl(kDec7, 1), DetailLink("A")}));
}

TEST_F(NetworkTest, ARunWhoseEveryDetailPageWasSentAwaySaysWhere) {
  Day(kDec7, {Titles({"A", "B", "C"})});
  FailDetail("A", ExitCode::kRedirectRefused, "host=mirror.example\n");
  FailDetail("B", ExitCode::kRedirectRefused, "host=mirror.example\n");
  // A host that is no host name (the note's words come from the web) is
  // never shown: the line names no host, and the run names the others.
  FailDetail("C", ExitCode::kRedirectRefused, "host=\x1b[31mevil\x83\x5c\n");
  Run();
  EXPECT_EQ(view_.status_text, std::string(texts::kDetailsRedirected) + "mirror.example");
  EXPECT_EQ(CountLog(FailureLine(texts::kFailRedirected, DetailLink("C"))), 1);
  EXPECT_EQ(LogLines().back(), Summary(0, 3, 1));
}

// ---- A helper that hangs -------------------------------------------------------------------

TEST_F(NetworkTest, AHelperThatHangsIsEndedAndItsPageTriedAgainNextRun) {
  Day(kDec7, {Titles({"A", "B"})});
  Details({"A", "B"});
  hangs_[DetailLink("A")] = 3600 * 1000;
  Run();
  ASSERT_EQ(host_.commands.size(), 3u);
  EXPECT_EQ(host_.kills, 1);
  // Ended once the helper's own limit and the margin have passed, not
  // before, and the run went on.
  const std::int64_t held = host_.commands[2].started_ms - host_.commands[1].started_ms;
  EXPECT_GE(held, politeness::kHelperTimeLimitMs);
  EXPECT_LT(held, politeness::kHelperTimeLimitMs + 5000);
  EXPECT_FALSE(InHistory("A"));
  EXPECT_TRUE(InHistory("B"));
  EXPECT_EQ(CountLog(FailureLine(texts::kFailTimedOut, DetailLink("A"))), 1);
  hangs_.clear();
  host_.commands.clear();
  Run();
  EXPECT_TRUE(InHistory("A"));
}

TEST_F(NetworkTest, StopStillEndsAHangingHelperAtOnce) {
  Day(kDec7, {Titles({"A"})});
  hangs_[DetailLink("A")] = 3600 * 1000;
  host_.AfterCommand(2, [this] { state_.FStopRequested = true; });
  std::int64_t killed_at = -1;
  host_.on_kill = [&] { killed_at = host_.now_ms; };
  Run();
  ASSERT_EQ(host_.kills, 1);
  EXPECT_LE(killed_at - host_.commands[1].started_ms, 200);
  EXPECT_EQ(CountLog(FailureLine(texts::kFailStopped, DetailLink("A"))), 1);
}

// ---- Every failure named ---------------------------------------------------------------------

TEST_F(NetworkTest, EveryFailedFetchIsNamedInTheLog) {
  const struct {
    const char* code;
    ExitCode exit;
    std::string note;
    std::string kind;
    bool retried;
  } cases[] = {
      {"A", ExitCode::kFailed, "status=503\n",
       std::string(texts::kFailServerError) + "503" + texts::kParenClose, true},
      {"B", ExitCode::kFailed, "status=301\n",
       std::string(texts::kFailRedirectLoop) + "301" + texts::kParenClose, true},
      // A status that is not three digits is not shown.
      {"C", ExitCode::kFailed, "status=5031\n", texts::kFailBadAnswer, true},
      {"D", ExitCode::kNoAnswer, "", texts::kFailNoAnswer, true},
      {"E", ExitCode::kCutBody, "", texts::kFailCutBody, true},
      {"F", ExitCode::kTooSlow, "", texts::kFailTooSlow, true},
      {"G", ExitCode::kLocal, "", texts::kFailNotWritten, true},
      {"H", ExitCode::kGone, "", texts::kFailGone, false},
  };
  std::vector<std::string> codes;
  for (const auto& c : cases) {
    codes.push_back(c.code);
    FailDetail(c.code, c.exit, c.note);
  }
  codes.push_back("I");
  Day(kDec7, {Titles(codes)});
  Details({"I"});
  Run();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(CountLog(FailureLine(c.kind, DetailLink(c.code), c.retried)), 1);
  }
  // The summary line is as it always was.
  EXPECT_EQ(LogLines().back(), Summary(1, 8, 1));
}

}  // namespace
}  // namespace kivo::testing
