// The detail page analysis: reads the page just fetched, fetches its cover,
// and commits the title: its catalogue line, then its history entry.
#include <exception>
#include <string>

#include "harvest/catalogue.h"
#include "harvest/detail_page.h"
#include "harvest/harvest.h"
#include "harvest/harvest_texts.h"
#include "harvest/page_text.h"
#include "html/html_parser.h"
#include "platform/platform.h"
#include "protocol/politeness.h"
#include "settings/settings.h"
#include "text/text.h"

namespace kivo {
namespace {

// More lines than this in the window's list and it is cleared before the next
// title goes in.
constexpr int kMemoMaxLines = 100;

// The shop's placeholder for a title without a cover: never downloaded.
constexpr char kNoCoverImage[] = "nowprinting.jpg";

}  // namespace

void THarvest::AnalyzeDetail(const std::string& link) {
  // The catalogue is held open from here to the last write, so that the
  // host cannot take it between the check and the line. One the host holds
  // locked is an error for the caller to log, before anything is read or
  // downloaded.
  const std::string catalogue = HostFile(state_.FHostDir, kCatalogueFileName);
  const auto catalogue_file = OpenCatalogue(catalogue);

  // A page that is not there, cannot be read or holds neither a title nor
  // an ISBN (a maintenance page answered as if it were the title's) has
  // not been read: it is tried again, never recorded as fetched.
  const std::string detail_file = GetTempDir() + kDetailFileName;
  if (!platform::FileExists(detail_file)) {
    ++tally_.PageFailures;
    KeepForNextRun(link);
    return;
  }
  std::string title;
  bool read = false;
  const std::string line = ReadDetailPage(detail_file, link, title, read);
  std::exception_ptr write_error;
  if (session_ended_) {
    // The session ended while the page was read: the process may end
    // between a line and its entry, so the title is left whole to the next
    // run instead.
    KeepForNextRun(link);
  } else if (line.empty()) {
    ++tally_.PageFailures;
    if (!read) {
      KeepForNextRun(link);
    } else if (known_.FoundEmpty(link, host_.Now())) {
      log_.WriteLog(texts::kEmptyPageRecorded + link, true);
    } else {
      day_.Intact = false;
    }
  } else {
    write_error = WriteTitle(*catalogue_file, catalogue, link, line);
  }
  ListTitle(title);
  if (write_error) std::rethrow_exception(write_error);
}

std::string THarvest::ReadDetailPage(const std::string& detail_file, const std::string& link,
                                     std::string& title, bool& read) {
  THTMLParser parser;
  parser.Pump = [this] { PumpMessages(host_); };
  // A plain sleep between attempts, no message handling: the page was just
  // written and may still be held by the download command's process.
  for (int attempt = 0; attempt < politeness::kDetailLoadAttempts; ++attempt) {
    read = LoadPageLines(detail_file, parser.Lines);
    if (read) break;
    parser.Lines.clear();
    host_.Sleep(politeness::kDetailLoadRetryMs);
  }

  TDetailWalk walk;
  DetailValues& v = walk.Values;
  std::string line;
  try {
    parser.Parse();
    // One pass, no stop or skip test: a page is short work once tokenized.
    for (std::size_t i = 0; i < parser.Nodes.size(); ++i) walk.Node(*parser.Nodes[i]);
    FinishDetailValues(v);
    if (!v.Isbn.empty() || !v.Title.empty()) {
      ++tally_.DetailsWithValues;
      const CatalogueRecord record = MakeCatalogueRecord(v, Run.CategoryCode, Run.CategoryText,
                                                         Run.ListingDay, link, GetTempDir());
      // An existing cover (the same ISBN on an earlier day) is kept; a
      // failed download leaves the line naming a file that is not there.
      if (!v.ImageUrl.empty() && !ContainsText(v.ImageUrl, kNoCoverImage) &&
          !platform::FileExists(record.CoverFile)) {
        Fetch(v.ImageUrl, record.CoverFile);
      }
      line = ComposeCatalogueLine(record);
    }
  } catch (...) {
    // A page that cannot be read costs this title only; the window below
    // still lists what was found.
  }
  title = v.Title;
  return line;
}

std::exception_ptr THarvest::WriteTitle(platform::AppendFile& catalogue_file,
                                        const std::string& catalogue, const std::string& link,
                                        std::string line) {
  // The title is done when its line and then its entry are on disk. A line
  // that cannot be written is not swallowed: it reaches the caller, which
  // keeps the link for the next run. An entry that cannot be written takes
  // the line back out, or the next run would write it again.
  try {
    // A catalogue that another program left without a final line end
    // would glue our line onto its last one, and the host would lose one
    // of the two.
    line = LineStartFor(catalogue_file, catalogue) + line;
    AppendCatalogueLine(catalogue_file, catalogue, line);
  } catch (...) {
    return std::current_exception();
  }
  try {
    known_.Record(link, host_.Now());
    ++tally_.TitlesAdded;
  } catch (...) {
    catalogue_file.TakeBack(line);
    throw;
  }
  return nullptr;
}

void THarvest::ListTitle(const std::string& title) {
  try {
    if (view_.MemoLineCount() > kMemoMaxLines) view_.MemoClear();
    view_.MemoAdd(title);
  } catch (...) {
    view_.MemoClear();
    view_.MemoAdd(title);
  }
}

}  // namespace kivo
