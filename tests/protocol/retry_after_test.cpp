// Reading Retry-After: seconds, the three HTTP date forms, and what is not
// a value to wait for.
#include "protocol/retry_after.h"

#include <gtest/gtest.h>

namespace kivo::protocol {
namespace {

// 1994-11-06 08:49:37 UTC, the example date of the HTTP standard.
constexpr std::int64_t kExample = 784111777;
// 2026-12-08 06:00:00 UTC.
constexpr std::int64_t kNow = 1796709600;

TEST(ParseHttpDate, TheThreeFormsOfOneDate) {
  EXPECT_EQ(ParseHttpDate("Sun, 06 Nov 1994 08:49:37 GMT", kNow), kExample);
  EXPECT_EQ(ParseHttpDate("Sunday, 06-Nov-94 08:49:37 GMT", kNow), kExample);
  EXPECT_EQ(ParseHttpDate("Sun Nov  6 08:49:37 1994", kNow), kExample);
  EXPECT_EQ(ParseHttpDate("Sun Nov 16 08:49:37 1994", kNow), kExample + 10 * 86400);
}

TEST(ParseHttpDate, CalendarEdges) {
  EXPECT_EQ(ParseHttpDate("Thu, 01 Jan 1970 00:00:00 GMT", kNow), 0);
  EXPECT_EQ(ParseHttpDate("Tue, 08 Dec 2026 06:00:00 GMT", kNow), kNow);
  EXPECT_EQ(ParseHttpDate("Tue, 29 Feb 2028 23:59:59 GMT", kNow), 1835481599);
  EXPECT_EQ(ParseHttpDate("Wed, 01 Mar 2000 00:00:00 GMT", kNow), 951868800);
  EXPECT_FALSE(ParseHttpDate("Sun, 29 Feb 2027 00:00:00 GMT", kNow));  // not a leap year
  EXPECT_FALSE(ParseHttpDate("Sun, 29 Feb 1900 00:00:00 GMT", kNow));
  EXPECT_FALSE(ParseHttpDate("Sun, 31 Apr 2026 00:00:00 GMT", kNow));
  EXPECT_FALSE(ParseHttpDate("Sun, 00 Nov 1994 08:49:37 GMT", kNow));
  EXPECT_FALSE(ParseHttpDate("Sun, 06 Nov 1994 24:00:00 GMT", kNow));
  EXPECT_FALSE(ParseHttpDate("Sun, 06 Nov 1994 08:60:00 GMT", kNow));
}

TEST(ParseHttpDate, TwoDigitYearsNeverLieFarAhead) {
  // Seen from 2026: 76 is 2076 at most 50 years ahead, 77 is 1977.
  EXPECT_EQ(ParseHttpDate("Saturday, 01-Jan-77 00:00:00 GMT", kNow), 220924800);
  EXPECT_EQ(ParseHttpDate("Wednesday, 01-Jan-76 00:00:00 GMT", kNow), 3345062400);
  EXPECT_EQ(ParseHttpDate("Wednesday, 09-Dec-26 06:00:00 GMT", kNow), kNow + 86400);
}

TEST(ParseHttpDate, NotADate) {
  const char* texts[] = {
      "",
      "Sun, 06 Nov 1994 08:49:37",        // no zone
      "Sun, 06 Nov 1994 08:49:37 UTC",    // only GMT is allowed
      "Sun, 06 Nov 1994 08:49:37 GMT x",  // trailing text
      "Sun, 6 Nov 1994 08:49:37 GMT",     // one-digit day
      "Sun, 06 Nov 94 08:49:37 GMT",      // two-digit year in the preferred form
      "Sun, 06 Foo 1994 08:49:37 GMT",    // no such month
      "Sun, 06 Nov 1994 8:49:37 GMT",
      "Sunday, 06 Nov 1994 08:49:37 GMT",
      "Sun, 06-Nov-94 08:49:37 GMT",  // short day name in the RFC 850 form
      "Xyz, 06 Nov 1994 08:49:37 GMT",
      "Sun Nov 6 08:49:37 1994",  // asctime pads the day with a blank
      "Sun Nov  6 08:49:37",
      "tomorrow",
  };
  for (const char* text : texts) EXPECT_FALSE(ParseHttpDate(text, kNow)) << text;
}

TEST(RetryAfterSeconds, DeltaSeconds) {
  EXPECT_EQ(RetryAfterSeconds("0", kNow), 0);
  EXPECT_EQ(RetryAfterSeconds("2", kNow), 2);
  EXPECT_EQ(RetryAfterSeconds(" 30\t", kNow), 30);
  EXPECT_EQ(RetryAfterSeconds("120", kNow), 120);
  // Far too long to wait, but still read as long rather than as garbage.
  const auto huge = RetryAfterSeconds("99999999999999999999999999", kNow);
  ASSERT_TRUE(huge);
  EXPECT_GT(*huge, 1000000000);
}

TEST(RetryAfterSeconds, DateCountsFromNow) {
  EXPECT_EQ(RetryAfterSeconds("Tue, 08 Dec 2026 06:00:02 GMT", kNow), 2);
  EXPECT_EQ(RetryAfterSeconds("Tue, 08 Dec 2026 06:01:00 GMT", kNow), 60);
  // A date already past: ask again at once.
  EXPECT_EQ(RetryAfterSeconds("Tue, 08 Dec 2026 05:59:00 GMT", kNow), 0);
  EXPECT_EQ(RetryAfterSeconds("Sun, 06 Nov 1994 08:49:37 GMT", kNow), 0);
}

TEST(RetryAfterSeconds, NotAValue) {
  const char* values[] = {
      "", "  ", "-1", "1.5", "2s", "+3", "1 2", "soon", "Tue, 08 Dec 2026 06:00:02"};
  for (const char* value : values) EXPECT_FALSE(RetryAfterSeconds(value, kNow)) << value;
}

}  // namespace
}  // namespace kivo::protocol
