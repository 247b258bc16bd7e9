#include "harvest/unread_pages.h"

#include <vector>

#include "harvest/canonical_link.h"
#include "harvest/history.h"
#include "platform/platform.h"

namespace kivo {
namespace {

std::string_view LinkPart(std::string_view line) {
  return line.size() > 8 ? line.substr(8) : std::string_view();
}

}  // namespace

void TUnreadPages::Load(const std::string& path) {
  path_ = path;
  lines_.clear();
  runs_.clear();
  THistory record;
  try {
    record.LoadFromFile(path);
  } catch (...) {
    return;  // missing or unreadable: nothing found empty before
  }
  for (const auto& line : record.Entries()) {
    if (LinkPart(line).empty()) continue;
    lines_.push_back(line);
    ++runs_[CanonicalLink(LinkPart(line))];
  }
}

int TUnreadPages::RunsFoundEmpty(std::string_view link, bool found_now) const {
  const auto it = runs_.find(CanonicalLink(link));
  return (it == runs_.end() ? 0 : it->second) + (found_now ? 1 : 0);
}

bool TUnreadPages::Note(double now, const std::string& link) {
  std::string line = MakeHistoryEntry(now, link);
  if (!platform::AppendToFile(path_, line + "\r\n")) return false;
  lines_.push_back(std::move(line));
  return true;
}

bool TUnreadPages::Save(double now) const {
  if (path_.empty()) return true;
  const std::vector<std::string> kept = PruneHistory(lines_, now, kHistoryDays);
  if (kept.empty()) return !platform::FileExists(path_) || platform::DeleteFile(path_);
  try {
    SaveHistoryFile(path_, kept);
  } catch (...) {
    return false;
  }
  return true;
}

}  // namespace kivo
