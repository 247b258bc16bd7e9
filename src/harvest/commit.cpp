#include "harvest/commit.h"

#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "harvest/history.h"
#include "settings/settings.h"

namespace kivo {

void CommitHistory(TRunState& state, double now, const std::vector<std::string>& links) {
  if (links.empty()) return;
  std::vector<std::string> entries;
  entries.reserve(links.size());
  for (const auto& link : links) entries.push_back(MakeHistoryEntry(now, link));
  try {
    AppendHistoryEntries(HostFile(state.FHostDir, kHistoryFileName), entries,
                         state.FHistory.EndsMidLine());
  } catch (const std::exception& e) {
    throw THistoryWriteError(e.what());
  }
  state.FHistory.SetEndsMidLine(false);
  for (auto& entry : entries) state.FHistory.Add(std::move(entry));
}

}  // namespace kivo
