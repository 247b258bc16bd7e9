// The Retry-After header of a 429 or 503 answer (RFC 9110 section 10.2.3):
// either a number of seconds to wait or an HTTP date to wait until. The
// download helper waits a short one out and asks once more.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kivo::protocol {

// Seconds since 1970-01-01 00:00:00 UTC of an HTTP date in any of the three
// forms a recipient must accept: "Sun, 06 Nov 1994 08:49:37 GMT" (the
// preferred form), "Sunday, 06-Nov-94 08:49:37 GMT" (RFC 850; a two-digit
// year more than 50 years ahead of `now_utc` is taken as the past century)
// and "Sun Nov  6 08:49:37 1994" (asctime). The weekday is not checked
// against the date. Nothing when the text is not such a date.
std::optional<std::int64_t> ParseHttpDate(const std::string& text, std::int64_t now_utc);

// How many seconds a Retry-After value asks to wait, counted from `now_utc`
// (seconds since 1970 UTC): the delta-seconds as written, or the time left
// until the date (0 when the date has passed). Blanks around the value are
// ignored. Nothing when the value is empty or neither form.
std::optional<std::int64_t> RetryAfterSeconds(const std::string& value, std::int64_t now_utc);

}  // namespace kivo::protocol
