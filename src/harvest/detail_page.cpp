#include "harvest/detail_page.h"

#include "harvest/catalogue.h"
#include "harvest/harvest_texts.h"
#include "text/bytes.h"
#include "text/text.h"

namespace kivo {

namespace {

// Class values and extensions are compared whole, ASCII letters in any
// case: the shop's pages mix the case of these markers.
bool EqualsLowered(std::string_view s, std::string_view lower) {
  return ascii::EqualsNoCase(s, lower);
}

bool IsRecognisedLabel(std::string_view s) {
  return s == texts::kLabelPublishMonth || s == texts::kLabelPublisher || s == texts::kLabelIsbn ||
         s == texts::kLabelPrice || s == texts::kLabelSeries || s == texts::kLabelPagesBare;
}

}  // namespace

// ---- The walk ---------------------------------------------------------------

void TDetailWalk::Node(const THTMLNode& node) {
  if (const THTMLTag* tag = node.AsTag()) {
    Tag(*tag);
  } else if (const THTMLText* text = node.AsText()) {
    // With no mode on, a text would be trimmed only to be dropped.
    if (in_item_ && (title_mode_ || authors_mode_ || detail_mode_ || table_mode_)) {
      Text(text->Text);
    }
  }
}

void TDetailWalk::ClassTrigger(std::string_view tag_name, std::string_view v) {
  if (tag_name == "P") {
    if (EqualsLowered(v, "itemtitle")) {
      in_item_ = true;
      title_mode_ = true;
      authors_mode_ = false;
      detail_mode_ = false;
    } else if (EqualsLowered(v, "itemdetail")) {
      in_item_ = true;
      detail_mode_ = true;
      title_mode_ = false;
      authors_mode_ = false;
    }
  } else if (tag_name == "UL") {
    if (EqualsLowered(v, "authorsname")) {
      in_item_ = true;
      authors_mode_ = true;
      title_mode_ = false;
      detail_mode_ = false;
    }
  } else {  // "DIV"
    if (EqualsLowered(v, "mainitemlayout")) {
      in_item_ = true;
      title_mode_ = authors_mode_ = detail_mode_ = false;
    } else if (EqualsLowered(v, "mainitemtable")) {
      in_item_ = true;
      table_mode_ = true;
      title_mode_ = authors_mode_ = detail_mode_ = false;
    }
  }
}

void TDetailWalk::Tag(const THTMLTag& tag) {
  const std::string_view name = tag.Name;
  if (name == "P" || name == "UL" || name == "DIV") {
    // Every CLASS attribute in turn, whether or not the item area has begun.
    for (const THTMLParam& param : tag.Params) {
      if (std::string_view(param.Name) == "CLASS") ClassTrigger(name, param.Value);
    }
  } else if (name == "IMG") {
    if (!in_item_) return;
    for (const THTMLParam& param : tag.Params) {
      if (std::string_view(param.Name) != "SRC") continue;
      // The first ".jpg" image of the item area is the cover; an address
      // with a query or fragment after ".jpg" has no such extension.
      if (Values.ImageUrl.empty() && EqualsLowered(FileExtension(param.Value), ".jpg")) {
        Values.ImageUrl = param.Value;
      }
    }
  } else if (name == "TABLE") {
    if (!in_item_) return;
    // Counting stops mattering after the fifth; saturate so a page of
    // millions of tables cannot overflow.
    if (table_count_ < 6) ++table_count_;
    switch (table_count_) {
      case 3:
        title_mode_ = true;
        break;
      case 4:
        table_mode_ = true;
        title_mode_ = authors_mode_ = detail_mode_ = false;
        break;
      case 5:
        table_mode_ = title_mode_ = authors_mode_ = detail_mode_ = false;
        break;
      default:
        break;
    }
  }
}

void TDetailWalk::Text(std::string_view text) {
  std::string s = TrimZen(std::string(text));
  if (s.empty()) return;
  if (title_mode_) {
    if (Values.Title.empty()) Values.Title = std::move(s);
  } else if (authors_mode_) {
    Values.Authors = std::move(s);
  } else if (detail_mode_) {
    Values.Series = std::move(s);
  } else if (table_mode_) {
    Label(std::move(s));
  }
}

void TDetailWalk::Label(std::string s) {
  if (pending_label_.empty() || IsRecognisedLabel(s)) {
    // Any text with no label pending becomes the pending label, a label or
    // not; the texts after a non-label are then dropped until a real label
    // takes its place.
    pending_label_ = std::move(s);
    return;
  }
  const std::string_view label = pending_label_;
  if (label == texts::kLabelPublishMonth) {
    // The release date is the listing's day; the page's month is not used.
  } else if (label == texts::kLabelPublisher) {
    Values.Publisher = std::move(s);
  } else if (label == texts::kLabelIsbn) {
    Values.Isbn = ReplaceAll(s, "-", "");
  } else if (label == texts::kLabelSeries) {
    // The item-detail text, when the page has one, wins over the series row.
    if (Values.Series.empty()) Values.Series = std::move(s);
  } else if (label == texts::kLabelPrice) {
    const std::string digits = TrimZen(ReplaceAll(ReplaceAll(s, texts::kYen, ""), ",", ""));
    Values.Price = ParseIntOr(digits, 0);
  } else if (label == texts::kLabelPages) {
    // "256P 19cm" after ZenToHan: the count before the first upper-case P,
    // the size after it.
    const std::string h = ZenToHan(s);
    const std::size_t p = h.find('P');
    if (p == std::string::npos) {
      Values.PageCount = 0;
      Values.Size = TrimBlanks(h);
    } else {
      Values.PageCount = ParseIntOr(TrimBlanks(h.substr(0, p)), 0);
      Values.Size = TrimBlanks(h.substr(p + 1));
    }
  } else {
    // A non-label is pending: its would-be value is dropped and it stays.
    return;
  }
  pending_label_.clear();
}

// ---- Cleaning and naming ---------------------------------------------------

void FinishDetailValues(DetailValues& v) {
  v.Isbn = Isbn10To13(StripIsbnHyphens(v.Isbn));
  if (v.Isbn.size() != 13) v.Isbn.clear();

  // Parentheses become spaces, whether written half- or full-width
  // (HanToZen makes them all full-width first).
  v.Title = HanToZen(v.Title);
  v.Title = ReplaceAll(v.Title, texts::kZenParenOpen, texts::kZenSpace);
  v.Title = TrimZen(v.Title);
  v.Title = ReplaceAll(v.Title, texts::kZenParenClose, texts::kZenSpace);
  v.Title = TrimZen(v.Title);
  v.Title = NormalizeWidth(v.Title);

  v.Authors = NormalizeWidth(v.Authors);
  v.Contents = NormalizeWidth(v.Contents);
}

std::string FileExtension(std::string_view address) {
  const std::size_t pos = address.find_last_of(".\\:");
  if (pos == std::string_view::npos || address[pos] != '.') return {};
  return std::string(address.substr(pos));
}

namespace {

bool IsPlainIsbn13(const std::string& s) {
  if (s.size() != 13) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

std::string CoverFileStem(const std::string& isbn, const std::string& title) {
  // A real ISBN is digits only and needs nothing; what the page put in the
  // ISBN row otherwise is as untrusted as the title.
  if (!isbn.empty() && IsPlainIsbn13(isbn)) return isbn;
  const std::string stem = SafeBareFileName(isbn.empty() ? title : isbn);
  // A title of nothing but a broken character makes nothing: the cover would
  // be named after the temporary folder itself.
  return stem.empty() ? "_" : stem;
}

// ---- The analysis -----------------------------------------------------------

CatalogueRecord MakeCatalogueRecord(const DetailValues& v, int category_code,
                                    const std::string& category_text, const CivilDate& listing_day,
                                    const std::string& link, const std::string& temp_dir) {
  CatalogueRecord record;
  record.Isbn = v.Isbn;
  record.Title = v.Title;
  record.Authors = v.Authors;
  record.Series = v.Series;
  record.Publisher = v.Publisher;
  record.Price = v.Price;
  record.CategoryCode = category_code;
  record.CategoryText = category_text;
  record.ReleaseDate = listing_day;
  record.PageCount = v.PageCount;
  record.Size = v.Size;
  record.Contents = v.Contents;
  record.DetailUrl = link;
  record.CoverFile = temp_dir + CoverFileStem(v.Isbn, v.Title) + FileExtension(v.ImageUrl);
  return record;
}

}  // namespace kivo
