#include "harvest/catalogue.h"

#include <stdexcept>
#include <string_view>

#include "platform/platform.h"

namespace kivo {

namespace {

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
