// The record of listing days that a run walked incompletely: a failed page,
// a title to try again, a stop or a skip. Such a day is walked again by
// every later run, after the window's days, until it is complete, so a title
// that failed on the oldest day of the window is not lost when the day
// leaves it. The record is one settings value, "YYYYMMDD" days separated by
// commas, newest first.
#pragma once

#include <cstdint>
#include <set>
#include <string>

namespace kivo {

// How far back the record reaches: beyond the shortest the history is kept
// (90 days), no day can be walked again without writing its titles twice.
inline constexpr int kUnfinishedDaysSpan = 90;

// The days of a record, as EncodeDate day numbers. Words that are not a
// valid "YYYYMMDD" date are passed over.
std::set<std::int64_t> ParseUnfinishedDays(const std::string& text);

// The record of `days`, keeping those after `today` - kUnfinishedDaysSpan
// up to `today` itself; "" when none is left.
std::string FormatUnfinishedDays(const std::set<std::int64_t>& days, std::int64_t today);

}  // namespace kivo
