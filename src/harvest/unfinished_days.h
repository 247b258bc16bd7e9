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

#include "harvest/history.h"

namespace kivo {

// How far back the record reaches from the newest day the plugin has seen:
// as long as the history keeps its entries at least, so a day walked again
// finds its titles there.
inline constexpr int kUnfinishedDaysSpan = kHistoryDays;

// The days of a record, as EncodeDate day numbers. Words that are not a
// valid "YYYYMMDD" date are passed over.
std::set<std::int64_t> ParseUnfinishedDays(const std::string& text);

// The newest day the record knows of: `today`, or a later day of `days` (a
// day recorded before the clock was set back).
std::int64_t NewestDay(const std::set<std::int64_t>& days, std::int64_t today);

// True while an unfinished `day` is still walked: it is less than
// kUnfinishedDaysSpan days older than `newest` (NewestDay). A day that lies
// after today (the clock set back) is kept like any other.
bool StillWalked(std::int64_t day, std::int64_t newest);

// The record of `days`, newest first, keeping those StillWalked against
// NewestDay(days, today); "" when none is left.
std::string FormatUnfinishedDays(const std::set<std::int64_t>& days, std::int64_t today);

}  // namespace kivo
