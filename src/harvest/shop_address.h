// Which addresses belong to the shop. Detail pages are fetched only from the
// shop's own host, so a page cannot send the plugin to another server by
// holding the detail path inside a foreign address; but the shop may move
// its pages between http and https at any time, and its own https links
// must not be mistaken for foreign ones.
#pragma once

#include <string_view>

namespace kivo {

// What follows the shop's base address in every detail link.
inline constexpr char kDetailPath[] = "/bec/SA/Detail?refShinCode=";

// True when `address` is an http or https address on the host of `base`
// (ASCII case ignored), at the port `base` names or at the default port of
// the address's own scheme (80, 443). User information before an "@" is not
// part of the host. Anything that is not an http(s) address is never on it.
bool OnShopHost(std::string_view address, std::string_view base);

// True when a link's value is one of the shop's detail pages: on the shop's
// host (OnShopHost), and holding the detail path right after the shop's base
// address, as the value writes it ("http://" or "https://", the host and
// port as written), or right after `base` itself.
bool IsShopDetailLink(std::string_view value, std::string_view base);

}  // namespace kivo
