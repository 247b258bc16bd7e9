// Which addresses belong to the shop. Detail pages are fetched only from the
// shop's own host, so a page cannot send the plugin to another server by
// holding the detail path inside a foreign address; but the shop may move
// its pages between http and https at any time, and its own https links
// must not be mistaken for foreign ones.
#pragma once

#include <string_view>

namespace kivo {

// What follows the shop's base address in every detail link as the shop
// has always written it; the path and the parameter that names the item.
inline constexpr char kDetailPath[] = "/bec/SA/Detail?refShinCode=";
inline constexpr char kDetailPagePath[] = "/bec/SA/Detail";
inline constexpr char kItemParameter[] = "refShinCode";

// True when `address` is an http or https address on the host of `base`
// (ASCII case ignored), at the port `base` names or at the default port of
// the address's own scheme (80, 443). User information before an "@" is not
// part of the host. Anything that is not an http(s) address is never on it.
bool OnShopHost(std::string_view address, std::string_view base);

// True when a link's value is one of the shop's detail pages: on the shop's
// host (OnShopHost), and either holding kDetailPath right after the shop's
// base address (as the value writes it: "http://" or "https://", the host
// and port as written; or as `base` writes it), or naming the detail page
// itself: its path is kDetailPagePath and its query holds kItemParameter
// with a value, wherever the parameter stands.
bool IsShopDetailLink(std::string_view value, std::string_view base);

// True when a link's value names the detail page: kDetailPagePath followed
// by a query, a fragment or its end, on whatever host. Such a link that
// IsShopDetailLink does not take (another host, no host, no item) cannot be
// used; a list of nothing else means the shop's links have changed.
bool NamesDetailPage(std::string_view value);

}  // namespace kivo
