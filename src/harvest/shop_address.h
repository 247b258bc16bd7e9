// Which addresses belong to the shop: detail links are fetched only from the
// shop's own scheme, host and port, so a page cannot send the plugin to
// another server by holding the detail path inside a foreign address.
#pragma once

#include <string_view>

namespace kivo {

// True when both are http or https addresses with the same scheme, host and
// port. Scheme and host compare without regard to ASCII case; a missing port
// is the scheme's default (80, 443); user information before an "@" is not
// part of the host. Anything that is not an http(s) address is never the same.
bool SameOrigin(std::string_view address, std::string_view base);

}  // namespace kivo
