// The listing page analysis: finds the day's list on a saved listing page,
// fetches and analyses every detail page it links to that the history does
// not hold yet, and notes the next-page link and the category headings.
#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "harvest/commit.h"
#include "harvest/fetch_page.h"
#include "harvest/harvest.h"
#include "harvest/harvest_texts.h"
#include "harvest/history.h"
#include "harvest/page_text.h"
#include "harvest/shop_address.h"
#include "html/html_parser.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "text/text.h"

namespace kivo {
namespace {

// Attempts at one detail link whose fetch fails with an error.
constexpr int kFetchAttempts = 3;
// A plain pause after each analysed detail page.
constexpr int kDetailPauseMs = 200;

// Category code of a heading: paperbacks first, then comics, else none.
int CategoryOf(const std::string& heading) {
  if (ContainsText(heading, texts::kCategoryPaperback)) return 1;
  if (ContainsText(heading, texts::kCategoryComic)) return 2;
  return 0;
}

}  // namespace

// The walk over one listing page's nodes.
class THarvest::ListingWalk {
 public:
  ListingWalk(THarvest& harvest, std::string detail_file)
      : harvest_(harvest), detail_file_(std::move(detail_file)) {}

  // Walks `nodes` from the first until the end, a stop or a skip. `index`
  // counts the nodes walked, also when the walk ends in an error.
  bool FoundList() const { return found_list_; }

  void Walk(const THTMLNodeList& nodes, std::size_t& index) {
    while (index < nodes.size() && !harvest_.State.FStopRequested &&
           !harvest_.State.FSkipRequested) {
      const THTMLNode* node = nodes[index];
      if (const THTMLTag* tag = node->AsTag()) {
        if (in_list_ && tag->Name == "A" && !tag->Params.empty()) LinkTag(*tag);
      } else if (const THTMLText* text = node->AsText()) {
        Text(text->Text);
      }
      ++index;
      PumpMessages(harvest_.Host);
    }
  }

 private:
  void Text(std::string_view raw) {
    const std::string s = TrimZen(std::string(raw));
    if (s.empty()) return;
    if (!in_list_) {
      in_list_ = ContainsText(s, texts::kTodaysNewBooks) && ContainsText(s, texts::kMonth);
      if (in_list_) found_list_ = true;
    } else if (ContainsText(s, texts::kByDateLink)) {
      in_list_ = false;
    } else if (ContainsText(s, texts::kNextPage)) {
      harvest_.Run.NextPageFound = true;
    } else if (ContainsText(s, texts::kTriangleDown)) {
      harvest_.Run.CategoryCode = CategoryOf(s);
      harvest_.Run.CategoryText = ReplaceAll(s, texts::kTriangleDown, "");
    }
  }

  void LinkTag(const THTMLTag& tag) {
    std::string link;
    for (const THTMLParam& param : tag.Params) {
      if (param.Name != "HREF" || param.Value == last_link_) continue;
      // A foreign address that merely holds the detail path is passed over
      // like any other link: the plugin fetches detail pages from the shop
      // alone. Such links are counted: a list of nothing else means the
      // shop's links have changed.
      if (IsShopDetailLink(param.Value, harvest_.BaseUrl)) {
        link = param.Value;
        last_link_ = link;
      } else if (std::string_view(param.Value).find(kDetailPath) != std::string_view::npos) {
        ++harvest_.Run.UnusableDetailLinks;
      }
    }
    if (!link.empty()) ++harvest_.Run.UsableLinks;
    int size = 0;
    int failures = 0;
    while (!link.empty() && !Known(link) && size == 0 && failures < kFetchAttempts) {
      platform::DeleteFile(detail_file_);
      bool returned = false;
      try {
        size = harvest_.FetchPage(link, detail_file_);
        returned = true;
        harvest_.LogFile1.WriteLog(std::to_string(size) + ":" + link, false);
      } catch (...) {
        // A fetch that raised an error has no outcome to go by: tried again,
        // three attempts in all, without a trace.
        size = 0;
        ++failures;
      }
      if (returned) Attempted(link, size);
      PumpMessages(harvest_.Host);
    }
  }

  // Met before in this run or an earlier one.
  bool Known(const std::string& link) const {
    return harvest_.State.FHistory.IsInHistory(link) || harvest_.Run.RetryLinks.count(link) != 0;
  }

  // After a fetch that returned: the page is analysed and the title
  // committed, or the link is recorded as not there, or kept for the next
  // run. Whatever happens, the link is not asked for again in this run.
  void Attempted(const std::string& link, int size) {
    const FetchOutcome outcome = harvest_.last_fetch_outcome_;
    if (BroughtPage(outcome) && size > 0 && platform::FileExists(detail_file_)) {
      ++harvest_.Run.DetailsAnalysed;
      try {
        harvest_.AnalyzeDetail(link);
      } catch (const THistoryWriteError&) {
        throw;  // the run cannot record what it does: it ends
      } catch (...) {
        harvest_.LogFile1.WriteLog(texts::kAnalyzeError + link, false);
        // What escapes the analysis is a catalogue that could not be opened
        // or written: the title never reached the host. The next run
        // fetches it again, so the day is not archived.
        harvest_.KeepForNextRun(link);
      }
      // A plain sleep: the run controls wait for the pump below.
      harvest_.Host.Sleep(kDetailPauseMs);
      return;
    }
    if (outcome != FetchOutcome::kNotRun) ++harvest_.Run.PageFailures;
    if (outcome == FetchOutcome::kNotFound) {
      // The shop says the page does not exist: not asked for again while the
      // entry lasts.
      CommitHistory(harvest_.State, harvest_.Host.Now(), {link});
    } else {
      harvest_.KeepForNextRun(link);
    }
  }

  THarvest& harvest_;
  const std::string detail_file_;
  bool in_list_ = false;
  bool found_list_ = false;
  // The link taken last on this page: the cover link and the title link of
  // one title stand side by side and give one fetch.
  std::string last_link_;
};

void THarvest::KeepForNextRun(const std::string& link) {
  Run.RetryLinks.insert(link);
  Run.DayIntact = false;
}

void THarvest::AnalyzeListing() {
  const std::string temp_dir = GetTempDir();
  const std::string listing_file = temp_dir + kListingFileName;
  const std::string detail_file = temp_dir + kDetailFileName;
  if (!platform::FileExists(listing_file)) return;

  std::size_t index = 0;
  std::exception_ptr error;
  try {
    THTMLParser parser;
    parser.Pump = [this] { PumpMessages(Host); };
    if (!LoadPageLines(listing_file, parser.Lines)) {
      throw std::runtime_error("cannot read " + listing_file);
    }
    parser.Parse();
    LogFile1.WriteLog(listing_file, false);
    ListingWalk walk(*this, detail_file);
    ++Run.ListingsAnalysed;
    try {
      walk.Walk(parser.Nodes, index);
    } catch (...) {
      if (walk.FoundList()) ++Run.ListingsWithList;
      throw;
    }
    if (walk.FoundList()) ++Run.ListingsWithList;
  } catch (...) {
    error = std::current_exception();
  }
  // On every way out: the nodes walked, and no detail page left behind.
  LogFile1.WriteLog(texts::kHEquals + std::to_string(index), false);
  platform::DeleteFile(detail_file);
  if (error) std::rethrow_exception(error);
}

}  // namespace kivo
