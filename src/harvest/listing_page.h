// Reading a tokenized listing page: where the day's list opens and closes,
// its next-page link, its category headings and the detail links in it. No
// window, files or network: the harvest's walk (AnalyzeListing) reads one
// node at a time so that it can stop between nodes, and fetches what the
// links name.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "html/html_parser.h"

namespace kivo {

// What one node of a listing page means.
struct ListingEvent {
  enum class Kind {
    kNothing,   // outside the list, or a node of no meaning
    kNextPage,  // "次のページへ" inside the list: the day has a further page
    kHeading,   // a category heading "▼..." inside the list
    kLink,      // a usable detail link inside the list
  };
  Kind kind = Kind::kNothing;
  // kHeading: the category code (1 paperbacks, 2 comics, 0 other) and the
  // heading without its "▼".
  int category_code = 0;
  std::string category_text;
  // kLink: the link as the page writes it, and its canonical form.
  std::string link;
  std::string canonical;
};

class TListingReader {
 public:
  // `base_url`: the shop's base address, which tells the shop's own detail
  // links from all others.
  explicit TListingReader(std::string base_url);

  // Reads the next node of the page, first to last. Text is trimmed
  // (TrimZen) and matched at character starts. Outside the list only a text
  // holding both "本日の新刊" and "月" means something: it opens the list.
  // Inside, the first of these that a text holds: "[日付別新刊ページ]"
  // closes it; "次のページへ" is the next page; "▼" is a heading. A tag "A"
  // with attributes inside the list gives a link when one of its HREF
  // values (the last such) is the shop's detail page (IsShopDetailLink) that
  // a catalogue line can give back (CatalogueCanHold), unless it names the
  // same page as the link taken just before on this page (the cover and the
  // title of one item).
  ListingEvent Read(const THTMLNode& node);

  // The list was opened at least once on this page.
  bool FoundList() const { return found_list_; }
  // HREF values inside the list that name the detail page but cannot be
  // used (another host, no host, no item, or one a line could not give
  // back): a list of nothing else means the shop's links have changed.
  int UnusableLinks() const { return unusable_links_; }

 private:
  ListingEvent Text(std::string_view raw);
  ListingEvent LinkTag(const THTMLTag& tag);

  const std::string base_url_;
  bool in_list_ = false;
  bool found_list_ = false;
  int unusable_links_ = 0;
  // The canonical form of the link taken last on this page.
  std::string last_link_;
};

// The whole page read at once, for tests and the fuzz target: the events
// that are not kNothing, in order.
std::vector<ListingEvent> ReadListing(const THTMLNodeList& nodes, const std::string& base_url);

}  // namespace kivo
