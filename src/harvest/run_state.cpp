#include "harvest/run_state.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "harvest/harvest_texts.h"
#include "platform/file_messages.h"
#include "platform/platform.h"
#include "settings/settings.h"

namespace kivo {

void LoadHistory(TRunState& state) {
  state.FHistory.Clear();
  const std::string history_file = HostFile(state.FHostDir, kHistoryFileName);
  if (!platform::FileExists(history_file)) return;
  state.FHistoryUnread = true;
  state.FHistory.LoadFromFile(history_file);
  state.FHistoryUnread = false;
}

void SaveHistory(const TRunState& state, double now) {
  const std::string history_file = HostFile(state.FHostDir, kHistoryFileName);
  std::vector<std::string> entries = state.FHistory.Entries();
  std::string newest_loaded = state.FHistory.NewestLoadedDate();
  if (state.FHistoryUnread && platform::FileExists(history_file)) {
    // Saving this run's entries alone would wipe the months the file holds
    // and the next run would fetch every title again. Read it once more
    // (it may have been locked only for a moment): it holds this run's
    // entries too, as they were appended. If it is still unreadable, leave
    // it alone and say so.
    THistory on_disk;
    try {
      on_disk.LoadFromFile(history_file);
    } catch (...) {
      throw std::runtime_error(history_file + messages::kCannotWrite);
    }
    std::vector<std::string> merged = on_disk.Entries();
    for (const auto& entry : entries) {
      if (entry.size() <= 8 || !on_disk.IsInHistory(std::string_view(entry).substr(8))) {
        merged.push_back(entry);
      }
    }
    entries = std::move(merged);
    newest_loaded = on_disk.NewestLoadedDate();
  }
  SaveHistoryFile(history_file,
                  PruneHistory(entries, now, HistoryKeepDays(state.FBeforeDays), newest_loaded));
}

}  // namespace kivo
