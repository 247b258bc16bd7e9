// The catalogue file "QuillsMas.csv": one line per title for the host to
// read, 17 comma-separated fields, some in double quotes, ending in CR LF.
// Values go in unchanged (a quote or comma inside one is not escaped): the
// host reads the lines as the plugin has always written them.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>

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

// The detail link of a catalogue line as ComposeCatalogueLine wrote it
// (with or without its CR LF): the last quoted field but one. Lines end
// `,"<link>","<cover file>"`, and a cover file's name holds no double
// quote; a line of another shape (another program's) gives "".
std::string_view LinkOfLine(std::string_view line);

// False for a link that a line could not give back through LinkOfLine:
// one that holds `","`, or begins or ends so that it makes one with the
// quotes around it. The plugin takes no such link, or the next run would
// not know the title it wrote.
bool CatalogueCanHold(std::string_view link);

// Adds to `links` the canonical form (canonical_link.h) of the link of
// every line of the catalogue at `path` that has one, other programs'
// lines included, read in pieces. A missing file adds nothing. False when
// the file exists but cannot be read.
bool ReadCatalogueLinks(const std::string& path, std::unordered_set<std::string>& links);

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
