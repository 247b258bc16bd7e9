// libFuzzer target for reading a listing page: the input is tokenized and
// read node by node by TListingReader, with no files and no shop. Besides
// the sanitizers' findings it checks what the harvest relies on for every
// link the reader gives: it is the shop's detail page, a catalogue line can
// give it back, and its canonical form ignores what does not name another
// page (a fragment, the letter case of the scheme and host, the default
// port). A link may repeat the one before it (a tag whose last HREF names
// the page the tag before named): the history keeps it from a second fetch.
//
//   fuzz_listing -dict=fuzz/fuzz_listing.dict -max_len=65536 [corpus]
#include <cstdint>
#include <cstdio>
#include <string>

#include "harvest/canonical_link.h"
#include "harvest/catalogue.h"
#include "harvest/listing_page.h"
#include "harvest/shop_address.h"
#include "html/html_parser.h"
#include "text/bytes.h"

namespace {

constexpr char kBase[] = "http://s";

void Check(bool condition, int line) {
  if (condition) return;
  std::fprintf(stderr, "fuzz_listing: the check on line %d failed\n", line);
  __builtin_trap();
}
#define CHECK(condition) Check(condition, __LINE__)

// `link` with its scheme and host in upper case and the default port named.
std::string OtherWritingOf(const std::string& link) {
  const std::size_t colon = link.find("://");
  if (colon == std::string::npos) return link;
  const std::size_t host_end = link.find_first_of("/?#", colon + 3);
  std::string authority = link.substr(colon + 3, host_end - colon - 3);
  if (authority.find_first_of(":@[") != std::string::npos) return link;
  const std::string scheme = kivo::ascii::Lowered(link.substr(0, colon));
  std::string out;
  for (char c : link.substr(0, colon + 3) + authority) out += kivo::ascii::Upper(c);
  out += scheme == "https" ? ":443" : ":80";
  if (host_end != std::string::npos) out += link.substr(host_end);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kivo::THTMLParser parser;
  parser.Lines.emplace_back(reinterpret_cast<const char*>(data), size);
  parser.Parse();
  kivo::TListingReader reader(kBase);
  for (std::size_t i = 0; i < parser.Nodes.size(); ++i) {
    const kivo::ListingEvent event = reader.Read(*parser.Nodes[i]);
    CHECK(event.category_code >= 0 && event.category_code <= 2);
    if (event.kind != kivo::ListingEvent::Kind::kLink) continue;
    CHECK(kivo::IsShopDetailLink(event.link, kBase));
    CHECK(kivo::CatalogueCanHold(event.link));
    CHECK(event.canonical == kivo::CanonicalLink(event.link));
    // Blanks and control characters around a link are no part of it; before
    // a fragment they would be, and the download helper refuses such a link.
    if (static_cast<unsigned char>(event.link.back()) > 0x20) {
      CHECK(kivo::CanonicalLink(event.link + "#top") == event.canonical);
    }
    CHECK(kivo::CanonicalLink(OtherWritingOf(event.link)) == event.canonical);
  }
  CHECK(reader.UnusableLinks() >= 0);
  return 0;
}
