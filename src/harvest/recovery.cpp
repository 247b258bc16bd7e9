#include "harvest/recovery.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "harvest/commit.h"
#include "harvest/harvest_texts.h"
#include "harvest/shop_address.h"
#include "platform/file_messages.h"
#include "platform/platform.h"
#include "settings/settings.h"

namespace kivo {

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

namespace {

// The catalogue is read backwards in pieces of this size: usually the first
// one already holds the last line the history knows.
constexpr std::int64_t kCatalogueChunkBytes = 64 * 1024;

// Calls `visit` with each whole line of the file (without its CR LF), from
// the last back to the first, until it returns false. The text after the
// last line end is left out: it may be a line another program is still
// writing. The file is read backwards a piece at a time. False when the
// file cannot be read.
bool VisitLinesBackwards(const std::string& path,
                         const std::function<bool(std::string_view)>& visit) {
  std::int64_t position = platform::FileSize(path);
  if (position < 0) return false;
  // What is not yet split into lines; it ends where the lines already
  // visited begin (once the text after the last line end is dropped).
  std::string buffer;
  bool tail_dropped = false;
  while (position > 0) {
    const std::int64_t start =
        position > kCatalogueChunkBytes ? position - kCatalogueChunkBytes : 0;
    std::string piece;
    const auto wanted = static_cast<std::size_t>(position - start);
    if (!platform::ReadFileRange(path, start, wanted, piece) || piece.size() != wanted)
      return false;
    buffer.insert(0, piece);
    position = start;
    if (!tail_dropped) {
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
      if (!visit(std::string_view(buffer).substr(line_start, line_end - line_start))) return true;
      if (previous == std::string::npos) break;
      line_end = previous;
    }
    buffer.resize(line_end + 2);
  }
  return true;
}

}  // namespace

void RecoverCommittedLinks(TRunState& state, const std::string& base_url, double now) {
  const std::string catalogue = HostFile(state.FHostDir, kCatalogueFileName);
  if (!platform::FileExists(catalogue)) return;  // no catalogue yet: nothing to recover

  // From the newest line back to the last one the history holds, however
  // far back that is (other programs may have appended much since); lines
  // of other programs (other shops) are passed over on the way.
  std::vector<std::string> found;
  const bool read = VisitLinesBackwards(catalogue, [&](std::string_view line) {
    const std::string_view link = LinkOfLine(line);
    if (link.empty()) return true;
    if (state.FHistory.IsInHistory(link)) return false;
    if (IsShopDetailLink(link, base_url)) found.emplace_back(link);
    return true;
  });
  // Unread, a line written without its entry would be written again by this
  // run: better no run at all.
  if (!read) throw TCatalogueReadError(catalogue + messages::kCannotRead);

  // Oldest first, each once. With the history lost, this is every line of
  // the shop in the catalogue: no pairwise comparison.
  std::vector<std::string> links;
  std::unordered_set<std::string_view> seen;
  for (auto it = found.rbegin(); it != found.rend(); ++it) {
    if (seen.insert(*it).second) links.push_back(*it);
  }
  CommitHistory(state, now, links);
}

}  // namespace kivo
