#include "harvest/shop_address.h"

#include <string>

#include "harvest/canonical_link.h"
#include "text/bytes.h"
#include "text/text.h"

namespace kivo {
namespace {

struct Origin {
  std::string scheme;
  std::string host;
  std::string port;     // empty when the address names none
  std::size_t end = 0;  // where the authority ends in the address
};

bool ParseOrigin(std::string_view address, Origin& origin) {
  const std::size_t colon = address.find("://");
  if (colon == std::string_view::npos) return false;
  origin.scheme = ascii::Lowered(address.substr(0, colon));
  if (origin.scheme != "http" && origin.scheme != "https") return false;
  std::string_view authority = address.substr(colon + 3);
  // A backslash ends nothing here: the download helper sends it encoded,
  // so what follows an "@" after it is still the host it connects to.
  const std::size_t end = authority.find_first_of("/?#");
  if (end != std::string_view::npos) authority = authority.substr(0, end);
  origin.end = colon + 3 + authority.size();
  const auto [host, port] = SplitAuthority(authority);
  if (host.empty()) return false;
  origin.host = ascii::Lowered(host);
  origin.port = std::string(port);
  return true;
}

std::string DefaultPort(const std::string& scheme) { return scheme == "https" ? "443" : "80"; }

// Whole characters only: an "h" may be the second byte of a Shift-JIS
// character, and a link found there is not the one the page means.
bool Contains(std::string_view text, std::string_view left, std::string_view right) {
  std::string needle(left);
  needle += right;
  return ContainsText(std::string(text), needle);
}

// `rest` (what follows the authority) is the detail page's path with a
// query that names an item: kItemParameter with a value, at any place among
// the parameters.
bool NamesItem(std::string_view rest) {
  const std::size_t fragment = rest.find('#');
  if (fragment != std::string_view::npos) rest = rest.substr(0, fragment);
  const std::size_t question = rest.find('?');
  if (question == std::string_view::npos || rest.substr(0, question) != kDetailPagePath) {
    return false;
  }
  std::string_view query = rest.substr(question + 1);
  const std::string_view name = kItemParameter;
  while (!query.empty()) {
    const std::size_t amp = query.find('&');
    const std::string_view param = query.substr(0, amp);
    if (param.size() > name.size() + 1 && param.substr(0, name.size()) == name &&
        param[name.size()] == '=') {
      return true;
    }
    if (amp == std::string_view::npos) break;
    query.remove_prefix(amp + 1);
  }
  return false;
}

}  // namespace

bool OnShopHost(std::string_view address, std::string_view base) {
  Origin a, b;
  if (!ParseOrigin(address, a) || !ParseOrigin(base, b) || a.host != b.host) return false;
  const std::string port = a.port.empty() ? DefaultPort(a.scheme) : a.port;
  const std::string shop_port = b.port.empty() ? DefaultPort(b.scheme) : b.port;
  return port == shop_port || port == DefaultPort(a.scheme);
}

bool IsShopDetailLink(std::string_view value, std::string_view base) {
  if (!OnShopHost(value, base)) return false;
  Origin own;
  ParseOrigin(value, own);
  return Contains(value, base, kDetailPath) ||
         Contains(value, value.substr(0, own.end), kDetailPath) || NamesItem(value.substr(own.end));
}

bool NamesDetailPage(std::string_view value) {
  const std::string_view path = kDetailPagePath;
  for (std::size_t at = value.find(path); at != std::string_view::npos;
       at = value.find(path, at + 1)) {
    const std::size_t after = at + path.size();
    if (after == value.size() || value[after] == '?' || value[after] == '#') {
      return true;
    }
  }
  return false;
}

}  // namespace kivo
