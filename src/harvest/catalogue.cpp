#include "harvest/catalogue.h"

#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "harvest/canonical_link.h"
#include "platform/platform.h"

namespace kivo {

namespace {

// The catalogue is read in pieces of this size: a catalogue of years stays
// out of memory as a whole.
constexpr std::size_t kReadPieceBytes = 1 << 20;

// `"` + value + `"` after a separating comma, the shape of every quoted field
// but the first.
void AppendQuoted(std::string& out, std::string_view value) {
  out += ",\"";
  out += value;
  out += '"';
}

}  // namespace

std::string ComposeCatalogueLine(const CatalogueRecord& r) {
  std::string line;
  line.reserve(96 + r.Isbn.size() + r.Title.size() + r.Authors.size() + r.Series.size() +
               r.Publisher.size() + r.CategoryText.size() + r.Size.size() + r.Contents.size() +
               r.DetailUrl.size() + r.CoverFile.size());
  line += '"';
  line += r.Isbn;
  line += '"';
  AppendQuoted(line, r.Title);
  AppendQuoted(line, "");  // reserved
  AppendQuoted(line, r.Authors);
  AppendQuoted(line, "");  // reserved
  AppendQuoted(line, r.Series);
  AppendQuoted(line, r.Publisher);
  line += ',';
  line += std::to_string(r.Price);
  line += ',';
  line += std::to_string(r.CategoryCode);
  line += ',';
  line += r.CategoryText;
  line += ",0,";  // reserved, always the digit 0
  line += FormatYYYYMMDD(r.ReleaseDate);
  line += ',';
  line += std::to_string(r.PageCount);
  AppendQuoted(line, r.Size);
  AppendQuoted(line, r.Contents);
  AppendQuoted(line, r.DetailUrl);
  AppendQuoted(line, r.CoverFile);
  line += "\r\n";
  return line;
}

std::string_view LinkOfLine(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  if (line.size() < 2 || line.back() != '"') return {};
  line.remove_suffix(1);
  const std::size_t cover = line.rfind("\",\"");
  if (cover == std::string_view::npos || cover == 0) return {};
  const std::size_t link = line.rfind("\",\"", cover - 1);
  if (link == std::string_view::npos || link + 3 > cover) return {};
  return line.substr(link + 3, cover - link - 3);
}

bool CatalogueCanHold(std::string_view link) {
  // The end of a line as ComposeCatalogueLine writes it, read back.
  std::string tail = "\"\",\"";
  tail += link;
  tail += "\",\"c\"";
  return LinkOfLine(tail) == link;
}

bool ReadCatalogueLinks(const std::string& path, std::unordered_set<std::string>& links) {
  if (!platform::FileExists(path)) return true;
  std::string pending;  // the start of a line that goes on in the next piece
  std::string piece;
  for (std::int64_t offset = 0;; offset += static_cast<std::int64_t>(piece.size())) {
    if (!platform::ReadFileRange(path, offset, kReadPieceBytes, piece)) return false;
    if (piece.empty()) break;
    pending += piece;
    std::size_t start = 0;
    for (std::size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1) {
      const std::string_view link =
          LinkOfLine(std::string_view(pending).substr(start, end - start));
      if (!link.empty()) links.insert(CanonicalLink(link));
    }
    pending.erase(0, start);
  }
  // A last line without its line end counts too: another program may have
  // left it so, and it is whole when it ends as a line of ours does.
  const std::string_view link = LinkOfLine(pending);
  if (!link.empty()) links.insert(CanonicalLink(link));
  return true;
}

std::unique_ptr<platform::AppendFile> OpenCatalogue(const std::string& path) {
  auto file = platform::OpenAppendFile(path);
  if (!file) throw std::runtime_error("Cannot open the catalogue file " + path);
  return file;
}

std::string LineStartFor(platform::AppendFile& file, const std::string& path) {
  std::string end;
  if (!file.ReadTail(1, end)) throw std::runtime_error("Cannot read the catalogue file " + path);
  if (end.empty() || end.back() == '\n') return std::string();
  return end.back() == '\r' ? "\n" : "\r\n";
}

void AppendCatalogueLine(platform::AppendFile& file, const std::string& path,
                         const std::string& line) {
  // One write: the host may read the file at any moment, and an interrupted
  // run must not leave it half a line.
  if (file.Append(line) == platform::AppendStatus::kFailed) {
    throw std::runtime_error("Cannot write to the catalogue file " + path);
  }
}

}  // namespace kivo
