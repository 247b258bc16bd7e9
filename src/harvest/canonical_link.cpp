#include "harvest/canonical_link.h"

#include <algorithm>
#include <vector>

#include "text/bytes.h"

namespace kivo {
namespace {

void AppendEscaped(std::string& out, unsigned char byte) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += '%';
  out += kHex[byte >> 4];
  out += kHex[byte & 0x0F];
}

// `part` with every escape decoded, except the bytes in `keep`, which stay
// escaped (upper-case hex) because decoding them would change where the
// address splits. A "%" that begins no escape is an escaped "%". Shift-JIS
// trail bytes are 0x40 and above, so none of the delimiters (all below 0x40)
// can be the second byte of a character here.
void AppendUnescaped(std::string& out, std::string_view part, std::string_view keep) {
  for (std::size_t i = 0; i < part.size(); ++i) {
    if (part[i] != '%') {
      out += part[i];
      continue;
    }
    const int high = i + 2 < part.size() ? ascii::HexValue(part[i + 1]) : -1;
    const int low = i + 2 < part.size() ? ascii::HexValue(part[i + 2]) : -1;
    if (high < 0 || low < 0) {
      AppendEscaped(out, '%');
      continue;
    }
    const auto byte = static_cast<unsigned char>(high * 16 + low);
    if (keep.find(static_cast<char>(byte)) != std::string_view::npos) {
      AppendEscaped(out, byte);
    } else {
      out += static_cast<char>(byte);
    }
    i += 2;
  }
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

HostAndPort SplitAuthority(std::string_view authority) {
  const std::size_t at = authority.rfind('@');
  if (at != std::string_view::npos) authority.remove_prefix(at + 1);
  HostAndPort split{authority, {}};
  const std::size_t bracket = authority.rfind(']');
  const std::size_t colon = authority.rfind(':');
  if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
    split.host = authority.substr(0, colon);
    split.port = authority.substr(colon + 1);
  }
  while (split.port.size() > 1 && split.port.front() == '0') split.port.remove_prefix(1);
  return split;
}

std::string CanonicalLink(std::string_view link) {
  link = Trimmed(link);
  const std::size_t colon = link.find("://");
  if (colon == std::string_view::npos) return std::string(link);
  const std::string_view scheme = link.substr(0, colon);
  if (!ascii::EqualsNoCase(scheme, "http") && !ascii::EqualsNoCase(scheme, "https")) {
    return std::string(link);
  }

  std::string_view rest = link.substr(colon + 3);
  const std::size_t fragment = rest.find('#');
  if (fragment != std::string_view::npos) rest = rest.substr(0, fragment);
  const std::size_t authority_end = std::min(rest.find_first_of("/?"), rest.size());
  const auto [host, port] = SplitAuthority(rest.substr(0, authority_end));
  rest.remove_prefix(authority_end);

  // Built in one string: every history and catalogue lookup comes here.
  std::string out;
  out.reserve(rest.size() + host.size() + 16);
  out += "http://";
  for (const char c : host) out += ascii::Lower(c);
  if (!port.empty() && port != "80" && port != "443") {
    out += ':';
    out += port;
  }

  const std::size_t query_start = rest.find('?');
  const std::string_view path = rest.substr(0, query_start);
  if (path.empty()) out += '/';
  AppendUnescaped(out, path, "/?#%");
  if (query_start == std::string_view::npos) return out;

  constexpr std::string_view kQueryKept = "&=+?#%";
  std::string_view query = rest.substr(query_start + 1);
  while (!query.empty() && query.front() == '&') query.remove_prefix(1);
  while (!query.empty() && query.back() == '&') query.remove_suffix(1);
  if (query.empty()) return out;
  out += '?';
  if (query.find('&') == std::string_view::npos) {  // one parameter: nothing to order
    AppendUnescaped(out, query, kQueryKept);
    return out;
  }
  std::vector<std::string> params;
  while (!query.empty()) {
    const std::size_t amp = std::min(query.find('&'), query.size());
    if (amp > 0) {
      params.emplace_back();
      AppendUnescaped(params.back(), query.substr(0, amp), kQueryKept);
    }
    query.remove_prefix(amp == query.size() ? amp : amp + 1);
  }
  std::sort(params.begin(), params.end());
  for (std::size_t i = 0; i < params.size(); ++i) {
    if (i > 0) out += '&';
    out += params[i];
  }
  return out;
}

}  // namespace kivo
