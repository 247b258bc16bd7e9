#include "harvest/history.h"

#include <stdexcept>

#include "platform/datetime.h"
#include "platform/platform.h"

namespace kivo {
namespace {

std::string_view LinkPart(std::string_view entry) {
  return entry.size() > 8 ? entry.substr(8) : std::string_view();
}

}  // namespace

void THistory::Add(std::string entry) {
  ++index_[std::string(LinkPart(entry))];
  entries_.push_back(std::move(entry));
}

void THistory::Clear() {
  entries_.clear();
  index_.clear();
}

void THistory::LoadFromFile(const std::string& path) {
  std::vector<std::string> lines;
  if (!platform::LoadLines(path, lines)) {
    throw std::runtime_error("cannot read " + path);
  }
  Clear();
  entries_.reserve(lines.size());
  for (auto& line : lines) Add(std::move(line));
}

bool THistory::IsInHistory(std::string_view link) const {
  return index_.find(std::string(link)) != index_.end();
}

std::string MakeHistoryEntry(double date_time, const std::string& link) {
  return FormatYYYYMMDD(DecodeDate(date_time)) + link;
}

}  // namespace kivo
