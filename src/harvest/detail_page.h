// The pieces of the detail page analysis that need no window, files or
// network: the walk over a tokenized detail page, the cleaning of what it
// found, and the naming of the cover file. THarvest::AnalyzeDetail
// (analyze_detail.cpp) puts them together with the files and the download.
#pragma once

#include <string>
#include <string_view>

#include "harvest/catalogue.h"
#include "html/html_parser.h"

namespace kivo {

// What one detail page yields, before and after FinishDetailValues.
struct DetailValues {
  std::string Isbn;
  std::string Title;
  std::string Authors;
  std::string Series;
  std::string Publisher;
  int Price = 0;
  int PageCount = 0;
  std::string Size;
  std::string Contents;  // no node feeds it; kept for the line's field 15
  std::string ImageUrl;  // the cover image's address as written
};

// One pass over a detail page's nodes. Class markers on P, UL and DIV tags
// switch where the following texts go; the item table is read as label
// texts each followed by its value text. Values stays readable after an
// exception in the middle of a walk (the window still lists the title found
// so far).
class TDetailWalk {
 public:
  // Call for every node of the page, first to last.
  void Node(const THTMLNode& node);

  DetailValues Values;

 private:
  void Tag(const THTMLTag& tag);
  void Text(std::string_view text);
  void Label(std::string s);
  void ClassTrigger(std::string_view tag_name, std::string_view class_value);

  bool in_item_ = false;
  bool title_mode_ = false;
  bool authors_mode_ = false;
  bool detail_mode_ = false;
  bool table_mode_ = false;
  int table_count_ = 0;
  std::string pending_label_;
};

// Cleans the walk's values in place: the ISBN to 13 characters or empty,
// the title's width, parentheses and ends, the authors' width. Each value is
// replaced step by step, so an error part way leaves the last good form.
void FinishDetailValues(DetailValues& values);

// The file extension of an address: from its last "." to the end when no "\"
// or ":" follows that "."; empty otherwise. Letter case as written.
std::string FileExtension(std::string_view address);

// The cover file's name without folder and extension: the ISBN when there is
// one, else the title. Made safe to put after the temporary folder: a real
// ISBN-13 (13 ASCII digits) passes unchanged; anything else goes through
// SafeFileName, and then control characters become "_", a leading "." its
// full-width form, and a Windows device name ("CON", "NUL", "COM1"...) gets a
// "_" in front. The result never holds a path separator or a drive colon and
// is never "." or "..".
std::string CoverFileStem(const std::string& isbn, const std::string& title);

// The catalogue record of finished values: the run's category and listing
// day, the detail link, and the cover file in `temp_dir` (named by
// CoverFileStem, with the cover address's extension).
CatalogueRecord MakeCatalogueRecord(const DetailValues& values, int category_code,
                                    const std::string& category_text, const CivilDate& listing_day,
                                    const std::string& link, const std::string& temp_dir);

}  // namespace kivo
