// Resolving the address a redirect points to. The Windows download helper
// follows redirects itself (so that every hop is checked like the first);
// a Location may be relative to the address that answered with it.
#pragma once

#include <string>

namespace kivo::protocol {

// Resolves `reference` (a Location value) against the absolute address
// `base` by the rules of RFC 3986 section 5: a full address replaces the
// base; "//host/..." keeps the base's scheme; "/path" keeps scheme and host;
// "path", "../path", "?query" and "" are taken relative to the base's path,
// with "." and ".." segments removed. A reference without a fragment keeps
// the base's fragment, as HTTP redirects do. Bytes are not decoded or
// encoded; the caller checks the result like any other address.
std::string ResolveUrlReference(const std::string& base, const std::string& reference);

// `address` without its fragment ("#..."), which is never sent to a server.
std::string StripUrlFragment(const std::string& address);

}  // namespace kivo::protocol
