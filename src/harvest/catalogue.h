// The catalogue file "QuillsMas.csv": one line per title for the host to
// read, 17 comma-separated fields, some in double quotes, ending in CR LF.
// Values go in unchanged (a quote or comma inside one is not escaped): the
// host reads the lines as the plugin has always written them.
#pragma once

#include <memory>
#include <string>

#include "platform/datetime.h"
#include "platform/platform.h"

namespace kivo {

// The values of one catalogue line, already cleaned by the detail analysis.
// The three reserved fields (3, 5 and 11) are not stored: they are always
// "", "" and 0.
struct CatalogueRecord {
  std::string Isbn;          // 1, quoted: 13 characters or empty
  std::string Title;         // 2, quoted
  std::string Authors;       // 4, quoted
  std::string Series;        // 6, quoted
  std::string Publisher;     // 7, quoted
  int Price = 0;             // 8, bare
  int CategoryCode = 0;      // 9, bare
  std::string CategoryText;  // 10, bare although it is text
  CivilDate ReleaseDate;     // 12, bare, "yyyymmdd"
  int PageCount = 0;         // 13, bare
  std::string Size;          // 14, quoted
  std::string Contents;      // 15, quoted
  std::string DetailUrl;     // 16, quoted
  std::string CoverFile;     // 17, quoted
};

// The whole line for `record`, CR LF included.
std::string ComposeCatalogueLine(const CatalogueRecord& record);

// Opens the catalogue at `path` for appending, creating it when missing.
// Throws std::runtime_error when it cannot be opened or created (a folder in
// its place, no access, locked).
std::unique_ptr<platform::AppendFile> OpenCatalogue(const std::string& path);

// What must go in front of a line appended to the open catalogue `file`
// (at `path`): "" when the file is empty or ends in a line end, the missing
// line end otherwise (CR LF, or LF after a lone CR). Throws
// std::runtime_error when its end cannot be read.
std::string LineStartFor(platform::AppendFile& file, const std::string& path);

// Appends `line` to the open catalogue `file` (at `path`) in one write.
// Throws std::runtime_error when the line is not in the file; the file then
// holds no part of it. A flush that fails after the whole line went in
// counts as written: the line is there, and the next run reads it.
void AppendCatalogueLine(platform::AppendFile& file, const std::string& path,
                         const std::string& line);

}  // namespace kivo
