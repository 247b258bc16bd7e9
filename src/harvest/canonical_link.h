// A title is known by the page its link names, not by the bytes of the
// link: the shop may write the same detail page as "HTTP://" or "https://",
// with an upper-case host, with the default port written out, with a
// fragment, with its query parameters in another order or with escapes for
// plain characters. Every comparison of links (the history, the catalogue,
// the links met in a run) goes through this one form; the files keep each
// link as the shop wrote it.
#pragma once

#include <string>
#include <string_view>

namespace kivo {

// The canonical form of `link`, for comparing only (never fetched or
// written). Blanks and control characters around the link are ignored. For
// an http or https address:
// - http and https name the same page: both read as "http://";
// - the host is compared without regard to ASCII case, user information
//   before an "@" is dropped, and the default port (80 or 443, leading
//   zeros ignored) is dropped;
// - an empty path is "/";
// - the fragment is dropped;
// - the query's parameters ("&"-separated, empty ones dropped) are put in
//   byte order;
// - a percent-escape stands for its byte, except where that byte would
//   change how the address splits ("/" in the path; "&", "=", "+" in the
//   query; "%", "?", "#" anywhere), which stay escaped in upper case; a "%"
//   that begins no escape is taken as an escaped "%".
// Anything else (no scheme, another scheme) is compared as written, trimmed.
std::string CanonicalLink(std::string_view link);

// The host and port an address's authority ("user@host:port") names: what
// stands before the last "@" is user information, not the host; the port
// follows the last ":" after any "]" (an IPv6 address in brackets), its
// leading zeros dropped ("0080" is port 80). Letter case as written.
struct HostAndPort {
  std::string_view host;
  std::string_view port;  // empty when the authority names none
};
HostAndPort SplitAuthority(std::string_view authority);

}  // namespace kivo
