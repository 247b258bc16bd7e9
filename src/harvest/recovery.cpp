#include "harvest/recovery.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "harvest/commit.h"
#include "harvest/harvest_texts.h"
#include "harvest/shop_address.h"
#include "platform/file_messages.h"
#include "platform/platform.h"
#include "settings/settings.h"

namespace kivo {
namespace {

// The catalogue is read backwards in pieces of this size: usually the first
// one already holds the last line the history knows.
constexpr std::int64_t kCatalogueChunkBytes = 64 * 1024;

}  // namespace

// Lines end `,"<link>","<cover file>"`; the cover file's name holds no
// double quote.
std::string_view LinkOfLine(std::string_view line) {
  if (line.size() < 2 || line.back() != '"') return {};
  line.remove_suffix(1);
  const std::size_t cover = line.rfind("\",\"");
  if (cover == std::string_view::npos) return {};
  const std::size_t link = line.rfind("\",\"", cover == 0 ? 0 : cover - 1);
  if (link == std::string_view::npos || link >= cover) return {};
  return line.substr(link + 3, cover - link - 3);
}

void RecoverCommittedLinks(TRunState& state, const std::string& base_url, double now) {
  const std::string catalogue = HostFile(state.FHostDir, kCatalogueFileName);
  if (!platform::FileExists(catalogue)) return;  // no catalogue yet: nothing to recover
  // Unread, a line written without its entry would be written again by this
  // run: better no run at all.
  const auto unreadable = [&catalogue] {
    return TCatalogueReadError(catalogue + messages::kCannotRead);
  };
  const std::int64_t size = platform::FileSize(catalogue);
  if (size < 0) throw unreadable();

  // From the newest line back to the last one the history holds, however
  // far back that is (other programs may have appended much since); lines
  // of other programs (other shops) are passed over on the way. The file is
  // read backwards a piece at a time; `buffer` holds what is not yet split
  // into lines and ends where the lines already looked at begin.
  std::vector<std::string> found;
  std::string buffer;
  std::int64_t position = size;
  bool tail_dropped = false;
  bool known_line_met = false;
  while (!known_line_met && position > 0) {
    const std::int64_t start =
        position > kCatalogueChunkBytes ? position - kCatalogueChunkBytes : 0;
    std::string piece;
    if (!platform::ReadFileRange(catalogue, start, static_cast<std::size_t>(position - start),
                                 piece) ||
        static_cast<std::int64_t>(piece.size()) != position - start) {
      throw unreadable();
    }
    buffer.insert(0, piece);
    position = start;
    if (!tail_dropped) {
      // The text after the last line end may be a line another program is
      // still writing.
      const std::size_t last = buffer.rfind("\r\n");
      if (last == std::string::npos) continue;
      buffer.resize(last + 2);
      tail_dropped = true;
    }
    std::size_t line_end = buffer.size() - 2;
    for (;;) {
      const std::size_t previous =
          line_end == 0 ? std::string::npos : buffer.rfind("\r\n", line_end - 1);
      // The first line of a piece may begin in the piece before it.
      if (previous == std::string::npos && position > 0) break;
      const std::size_t line_start = previous == std::string::npos ? 0 : previous + 2;
      const std::string_view link =
          LinkOfLine(std::string_view(buffer).substr(line_start, line_end - line_start));
      if (!link.empty()) {
        if (state.FHistory.IsInHistory(link)) {
          known_line_met = true;
          break;
        }
        if (IsShopDetailLink(link, base_url)) found.emplace_back(link);
      }
      if (previous == std::string::npos) break;
      line_end = previous;
    }
    buffer.resize(line_end + 2);
  }

  std::vector<std::string> links;
  for (auto it = found.rbegin(); it != found.rend(); ++it) {
    bool seen = false;
    for (const auto& l : links) seen = seen || l == *it;
    if (!seen) links.push_back(*it);
  }
  CommitHistory(state, now, links);
}

}  // namespace kivo
