// The end of the user's session (logoff, shutdown). The system ends the
// process as soon as the window has answered, so nothing may wait for the
// run below on the stack to unwind: everything a normal close would leave
// on disk is written here, at once.
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "harvest/history.h"
#include "harvest/texts.h"
#include "platform/platform.h"
#include "shell/form_dll.h"
#include "shell/settings.h"

namespace kivo {
namespace {

// The last line of the catalogue (without its CR LF); empty when there is
// none or the file cannot be read.
std::string LastCatalogueLine(const std::string& path) {
  std::string bytes;
  if (!platform::ReadFile(path, bytes)) return std::string();
  std::size_t end = bytes.size();
  while (end > 0 && (bytes[end - 1] == '\n' || bytes[end - 1] == '\r')) --end;
  const std::size_t start = bytes.find_last_of("\r\n", end == 0 ? 0 : end - 1);
  return bytes.substr(start == std::string::npos ? 0 : start + 1,
                      end - (start == std::string::npos ? 0 : start + 1));
}

}  // namespace

void TFormDLL::FormEndSession() {
  if (FSessionEnded) return;
  FSessionEnded = true;
  // The window's own close: the close query stores the placement, FormClose
  // stops the run and writes the days field's text.
  View.Close();

  if (FRunStarted) {
    try {
      const std::string history_file = HostFile(FHostDir, kHistoryFileName);
      std::vector<std::string> entries = FHistory.Entries();
      // A title's link enters the history when its page has been fetched,
      // and its catalogue line follows once the page is analysed. The run
      // may be stopped between the two: an entry whose line is not the last
      // one in the catalogue is left out, so the next run fetches that
      // title again instead of skipping it for 90 days. (A link that gave
      // no line at all is then merely fetched once more.)
      if (FHistory.Count() > FHistoryCountAtStart && !entries.empty() &&
          entries.back().size() > 8) {
        const std::string link = entries.back().substr(8);
        const std::string last_line = LastCatalogueLine(HostFile(FHostDir, kCatalogueFileName));
        if (last_line.find("\"" + link + "\"") == std::string::npos) entries.pop_back();
      }
      if (FHistoryUnread && platform::FileExists(history_file)) {
        // As at the end of a run: this run's entries alone would wipe the
        // months the unreadable file still holds.
        std::vector<std::string> on_disk;
        if (!platform::LoadLines(history_file, on_disk)) {
          throw std::runtime_error(history_file + texts::kCannotWrite);
        }
        on_disk.insert(on_disk.end(), entries.begin(), entries.end());
        entries = std::move(on_disk);
      }
      SaveHistoryFile(history_file, PruneHistory(entries, Host.Now()));
    } catch (const std::exception& e) {
      ReportException(e.what());
    }
  }
  // The end line; the log is off afterwards, so a run that still unwinds
  // (the system has not ended the process yet) writes no more lines.
  LogFile1.SetActive(false);
}

}  // namespace kivo
