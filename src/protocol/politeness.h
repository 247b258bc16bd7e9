// How hard the plugin and its download helper may press the shop, and how
// long they wait for it: one table, so that a new rule is one line here and
// the harvest's estimate of the time left reads the same waits it keeps.
#pragma once

namespace kivo::politeness {

// Fetches of the plugin start at least this far apart, listing pages,
// detail pages and covers alike.
inline constexpr int kFetchSpacingMs = 900;
// After each fetch the window is kept responsive this long before the next
// step, in rounds of kPollMs.
inline constexpr int kSettleMs = 500;
// How often a running download is looked at (and the window's messages
// handled).
inline constexpr int kPollMs = 100;
// After each listing page.
inline constexpr int kListingPauseMs = 1000;
// After each detail page analysed.
inline constexpr int kDetailPauseMs = 200;
// A detail page that cannot be loaded is tried this often, this far apart
// (its file may still be held by the helper's process).
inline constexpr int kDetailLoadAttempts = 3;
inline constexpr int kDetailLoadRetryMs = 2000;

// The download helper's own limits: name lookup and connection; the whole
// transfer; a transfer slower than kLowSpeedBytes a second for
// kLowSpeedWindowMs is ended.
inline constexpr int kConnectTimeoutMs = 15000;
inline constexpr int kTransferTimeoutMs = 60000;
inline constexpr int kLowSpeedBytes = 1024;
inline constexpr int kLowSpeedWindowMs = 15000;
// A 429 or 503 whose Retry-After asks for at most this is waited out once.
inline constexpr int kMaxRetryAfterSeconds = 30;
// The plugin ends a helper still running after this long: past its own
// limits (a Retry-After wait included) and a margin, it is stuck (stopped by
// the system, a name lookup that ignores its time limit) and must not hold
// the run for ever.
inline constexpr int kHelperTimeLimitMs = 90000;

}  // namespace kivo::politeness
