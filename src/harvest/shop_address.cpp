#include "harvest/shop_address.h"

#include <string>

namespace kivo {
namespace {

struct Origin {
  std::string scheme;
  std::string host;
  std::string port;
};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Lowered(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = Lower(c);
  return out;
}

bool ParseOrigin(std::string_view address, Origin& origin) {
  const std::size_t colon = address.find("://");
  if (colon == std::string_view::npos) return false;
  origin.scheme = Lowered(address.substr(0, colon));
  if (origin.scheme != "http" && origin.scheme != "https") return false;
  std::string_view authority = address.substr(colon + 3);
  // A backslash ends nothing here: the download helper sends it encoded,
  // so what follows an "@" after it is still the host it connects to.
  const std::size_t end = authority.find_first_of("/?#");
  if (end != std::string_view::npos) authority = authority.substr(0, end);
  const std::size_t at = authority.rfind('@');
  if (at != std::string_view::npos) authority = authority.substr(at + 1);
  std::string_view host = authority;
  std::string_view port;
  const std::size_t bracket = authority.rfind(']');
  const std::size_t port_colon = authority.rfind(':');
  if (port_colon != std::string_view::npos &&
      (bracket == std::string_view::npos || port_colon > bracket)) {
    host = authority.substr(0, port_colon);
    port = authority.substr(port_colon + 1);
  }
  if (host.empty()) return false;
  origin.host = Lowered(host);
  // "0080" and "80" name the same port.
  while (port.size() > 1 && port.front() == '0') port.remove_prefix(1);
  origin.port = port.empty() ? (origin.scheme == "https" ? "443" : "80") : std::string(port);
  return true;
}

}  // namespace

bool SameOrigin(std::string_view address, std::string_view base) {
  Origin a, b;
  if (!ParseOrigin(address, a) || !ParseOrigin(base, b)) return false;
  return a.scheme == b.scheme && a.host == b.host && a.port == b.port;
}

}  // namespace kivo
