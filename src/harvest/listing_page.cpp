#include "harvest/listing_page.h"

#include <utility>

#include "harvest/canonical_link.h"
#include "harvest/catalogue.h"
#include "harvest/harvest_texts.h"
#include "harvest/shop_address.h"
#include "text/text.h"

namespace kivo {
namespace {

// Category code of a heading: paperbacks first, then comics, else none.
int CategoryOf(const std::string& heading) {
  if (ContainsText(heading, texts::kCategoryPaperback)) return 1;
  if (ContainsText(heading, texts::kCategoryComic)) return 2;
  return 0;
}

}  // namespace

TListingReader::TListingReader(std::string base_url) : base_url_(std::move(base_url)) {}

ListingEvent TListingReader::Read(const THTMLNode& node) {
  if (const THTMLTag* tag = node.AsTag()) {
    if (in_list_ && tag->Name == "A" && !tag->Params.empty()) return LinkTag(*tag);
  } else if (const THTMLText* text = node.AsText()) {
    return Text(text->Text);
  }
  return {};
}

ListingEvent TListingReader::Text(std::string_view raw) {
  ListingEvent event;
  const std::string s = TrimZen(std::string(raw));
  if (s.empty()) return event;
  if (!in_list_) {
    in_list_ = ContainsText(s, texts::kTodaysNewBooks) && ContainsText(s, texts::kMonth);
    found_list_ = found_list_ || in_list_;
  } else if (ContainsText(s, texts::kByDateLink)) {
    in_list_ = false;
  } else if (ContainsText(s, texts::kNextPage)) {
    event.kind = ListingEvent::Kind::kNextPage;
  } else if (ContainsText(s, texts::kTriangleDown)) {
    event.kind = ListingEvent::Kind::kHeading;
    event.category_code = CategoryOf(s);
    event.category_text = ReplaceAll(s, texts::kTriangleDown, "");
  }
  return event;
}

ListingEvent TListingReader::LinkTag(const THTMLTag& tag) {
  ListingEvent event;
  for (const THTMLParam& param : tag.Params) {
    if (param.Name != "HREF") continue;
    // A foreign address that merely holds the detail path is passed over
    // like any other link: detail pages come from the shop alone.
    const bool shops = IsShopDetailLink(param.Value, base_url_);
    if (shops && CatalogueCanHold(param.Value)) {
      std::string canonical = CanonicalLink(param.Value);
      if (canonical == last_link_) continue;
      event.kind = ListingEvent::Kind::kLink;
      event.link = std::string(param.Value);
      last_link_ = canonical;
      event.canonical = std::move(canonical);
    } else if (shops || NamesDetailPage(param.Value)) {
      ++unusable_links_;
    }
  }
  return event;
}

std::vector<ListingEvent> ReadListing(const THTMLNodeList& nodes, const std::string& base_url) {
  TListingReader reader(base_url);
  std::vector<ListingEvent> events;
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    ListingEvent event = reader.Read(*nodes[i]);
    if (event.kind != ListingEvent::Kind::kNothing) events.push_back(std::move(event));
  }
  return events;
}

}  // namespace kivo
