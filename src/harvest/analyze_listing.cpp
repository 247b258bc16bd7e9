// The listing page analysis: walks a saved listing page's nodes (read by
// TListingReader), fetches and analyses every detail page it links to that
// is not known yet, and notes the next-page link and the category headings.
#include <exception>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <utility>

#include "harvest/fetch_page.h"
#include "harvest/harvest.h"
#include "harvest/harvest_texts.h"
#include "harvest/page_text.h"
#include "html/html_parser.h"
#include "platform/file_messages.h"
#include "platform/platform.h"
#include "protocol/politeness.h"
#include "settings/settings.h"

namespace kivo {
namespace {

// Attempts at one detail link whose fetch fails with an error.
constexpr int kFetchAttempts = 3;

}  // namespace

void THarvest::AnalyzeListing() {
  const std::string temp_dir = GetTempDir();
  const std::string listing_file = temp_dir + kListingFileName;
  const std::string detail_file = temp_dir + kDetailFileName;
  if (!platform::FileExists(listing_file)) return;

  std::size_t index = 0;
  std::exception_ptr error;
  try {
    THTMLParser parser;
    parser.Pump = [this] { PumpMessages(host_); };
    if (!LoadPageLines(listing_file, parser.Lines)) {
      throw std::runtime_error(listing_file + messages::kCannotRead);
    }
    parser.Parse();
    log_.WriteLog(listing_file, false);
    ++tally_.ListingsAnalysed;
    // What the page still has to fetch, for the time left.
    std::unordered_set<std::string> pending;
    for (const ListingEvent& event : ReadListing(parser.Nodes, base_url_)) {
      if (event.kind == ListingEvent::Kind::kLink && !known_.IsKnown(event.canonical)) {
        pending.insert(event.canonical);
      }
    }
    progress_.PageRead(static_cast<int>(pending.size()), host_.Now());
    WalkListing(parser.Nodes, index);
  } catch (...) {
    error = std::current_exception();
  }
  // On every way out: the nodes walked, and no detail page left behind.
  log_.WriteLog(texts::kHEquals + std::to_string(index), false);
  platform::DeleteFile(detail_file);
  if (error) std::rethrow_exception(error);
}

void THarvest::WalkListing(const THTMLNodeList& nodes, std::size_t& index) {
  const std::string detail_file = GetTempDir() + kDetailFileName;
  TListingReader reader(base_url_);
  // Counted however the walk ends: what the page showed so far tells
  // whether the shop's pages have changed.
  struct Count {
    TListingReader& reader;
    TRunTally& tally;
    ~Count() {
      if (reader.FoundList()) ++tally.ListingsWithList;
      tally.UnusableDetailLinks += reader.UnusableLinks();
    }
  } count{reader, tally_};
  while (index < nodes.size() && !state_.FStopRequested && !state_.FSkipRequested) {
    const ListingEvent event = reader.Read(*nodes[index]);
    switch (event.kind) {
      case ListingEvent::Kind::kNextPage:
        Run.NextPageFound = true;
        break;
      case ListingEvent::Kind::kHeading:
        Run.CategoryCode = event.category_code;
        Run.CategoryText = event.category_text;
        break;
      case ListingEvent::Kind::kLink:
        TakeLink(event, detail_file);
        break;
      case ListingEvent::Kind::kNothing:
        break;
    }
    ++index;
    PumpMessages(host_);
  }
}

void THarvest::TakeLink(const ListingEvent& event, const std::string& detail_file) {
  const std::string& link = event.link;
  ++tally_.UsableLinks;
  if (day_.Links.insert(event.canonical).second) day_.PageBroughtNewLink = true;
  int size = 0;
  int failures = 0;
  bool fetched = false;
  while (!known_.Known(link, event.canonical, host_.Now()) && size == 0 &&
         failures < kFetchAttempts) {
    fetched = true;
    platform::DeleteFile(detail_file);
    bool returned = false;
    FetchResult result;
    try {
      result = Fetch(link, detail_file, true);
      size = result.Size;
      returned = true;
      log_.WriteLog(std::to_string(size) + ":" + link, false);
    } catch (...) {
      // A fetch that raised an error has no outcome to go by: tried again,
      // three attempts in all, without a trace.
      size = 0;
      ++failures;
    }
    if (returned) Attempted(link, result, detail_file);
    PumpMessages(host_);
  }
  if (fetched) {
    progress_.DetailDone(host_.Now());
    ReportProgress();
  }
}

// After a fetch that returned: the page is analysed and the title
// committed, or the link is recorded as not there, or kept for the next
// run. Whatever happens, the link is not asked for again in this run.
void THarvest::Attempted(const std::string& link, const FetchResult& fetched,
                         const std::string& detail_file) {
  const FetchOutcome outcome = fetched.Outcome;
  if (BroughtPage(outcome) && fetched.Size > 0 && platform::FileExists(detail_file)) {
    ++tally_.DetailsAnalysed;
    try {
      AnalyzeDetail(link);
    } catch (const THistoryWriteError&) {
      throw;  // the run cannot record what it does: it ends
    } catch (...) {
      log_.WriteLog(texts::kAnalyzeError + link, false);
      // What escapes the analysis is a catalogue that could not be opened
      // or written: the title never reached the host. The next run fetches
      // it again, so the day is not archived.
      KeepForNextRun(link);
    }
    // A plain sleep: the run controls wait for the pump after it.
    host_.Sleep(politeness::kDetailPauseMs);
    return;
  }
  if (outcome != FetchOutcome::kNotRun) ++tally_.PageFailures;
  if (outcome == FetchOutcome::kNotFound) {
    // The shop says the page does not exist: not asked for again while the
    // entry lasts.
    known_.Record(link, host_.Now());
  } else {
    KeepForNextRun(link);
  }
}

void THarvest::KeepForNextRun(const std::string& link) {
  known_.KeepForNextRun(link);
  day_.Intact = false;
}

}  // namespace kivo
