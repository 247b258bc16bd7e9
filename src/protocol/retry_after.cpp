#include "protocol/retry_after.h"

#include <cstring>
#include <limits>

namespace kivo::protocol {
namespace {

// Reads the date text left to right; every step fails once one has failed.
class Cursor {
 public:
  explicit Cursor(const std::string& text) : text_(text) {}

  bool Literal(const char* literal) {
    const std::size_t n = std::strlen(literal);
    if (!ok_ || text_.compare(pos_, n, literal) != 0) return ok_ = false;
    pos_ += n;
    return true;
  }
  // Exactly `count` digits.
  int Digits(int count) {
    int value = 0;
    for (int i = 0; i < count; ++i) {
      if (!ok_ || pos_ >= text_.size() || text_[pos_] < '0' || text_[pos_] > '9') {
        ok_ = false;
        return 0;
      }
      value = value * 10 + (text_[pos_++] - '0');
    }
    return value;
  }
  // A run of ASCII letters.
  std::string Word() {
    const std::size_t start = pos_;
    while (pos_ < text_.size() && ((text_[pos_] >= 'A' && text_[pos_] <= 'Z') ||
                                   (text_[pos_] >= 'a' && text_[pos_] <= 'z'))) {
      ++pos_;
    }
    if (pos_ == start) ok_ = false;
    return text_.substr(start, pos_ - start);
  }
  bool Peek(char c) const { return ok_ && pos_ < text_.size() && text_[pos_] == c; }
  bool AtEnd() const { return ok_ && pos_ == text_.size(); }
  bool ok() const { return ok_; }
  void Fail() { ok_ = false; }

 private:
  const std::string& text_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kShortDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char* const kLongDays[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                 "Friday", "Saturday", "Sunday"};

int MonthNumber(const std::string& word) {
  for (int i = 0; i < 12; ++i) {
    if (word == kMonths[i]) return i + 1;
  }
  return 0;
}

bool OneOf(const std::string& word, const char* const* names) {
  for (int i = 0; i < 7; ++i) {
    if (word == names[i]) return true;
  }
  return false;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t year_of_era = year - era * 400;
  const std::int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t day_of_era =
      year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

struct Fields {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

void ReadTime(Cursor& in, Fields& f) {
  f.hour = in.Digits(2);
  in.Literal(":");
  f.minute = in.Digits(2);
  in.Literal(":");
  f.second = in.Digits(2);
}

std::optional<std::int64_t> ToSeconds(const Fields& f) {
  if (f.year < 1 || f.month < 1 || f.month > 12 || f.day < 1 ||
      f.day > DaysInMonth(f.year, f.month) || f.hour > 23 || f.minute > 59 || f.second > 60) {
    return std::nullopt;
  }
  return DaysFromCivil(f.year, f.month, f.day) * 86400 + f.hour * 3600 + f.minute * 60 + f.second;
}

// The year of a date `now_utc` lies in, for the two-digit years of RFC 850.
int YearOf(std::int64_t now_utc) {
  std::int64_t days = now_utc / 86400 - (now_utc % 86400 < 0 ? 1 : 0);
  int year = 1970;
  while (days < 0) days += IsLeapYear(--year) ? 366 : 365;
  while (days >= (IsLeapYear(year) ? 366 : 365)) days -= IsLeapYear(year++) ? 366 : 365;
  return year;
}

}  // namespace

std::optional<std::int64_t> ParseHttpDate(const std::string& text, std::int64_t now_utc) {
  Fields f;
  Cursor in(text);
  const std::string day_name = in.Word();
  if (!in.ok()) return std::nullopt;
  if (in.Peek(',') && OneOf(day_name, kShortDays)) {
    // Sun, 06 Nov 1994 08:49:37 GMT
    in.Literal(", ");
    f.day = in.Digits(2);
    in.Literal(" ");
    f.month = MonthNumber(in.Word());
    in.Literal(" ");
    f.year = in.Digits(4);
    in.Literal(" ");
    ReadTime(in, f);
    in.Literal(" GMT");
  } else if (in.Peek(',') && OneOf(day_name, kLongDays)) {
    // Sunday, 06-Nov-94 08:49:37 GMT
    in.Literal(", ");
    f.day = in.Digits(2);
    in.Literal("-");
    f.month = MonthNumber(in.Word());
    in.Literal("-");
    const int two_digits = in.Digits(2);
    in.Literal(" ");
    ReadTime(in, f);
    in.Literal(" GMT");
    const int now_year = YearOf(now_utc);
    f.year = now_year / 100 * 100 + two_digits;
    if (f.year > now_year + 50) f.year -= 100;
  } else if (OneOf(day_name, kShortDays)) {
    // Sun Nov  6 08:49:37 1994
    in.Literal(" ");
    f.month = MonthNumber(in.Word());
    in.Literal(" ");
    if (in.Peek(' ')) {
      in.Literal(" ");
      f.day = in.Digits(1);
    } else {
      f.day = in.Digits(2);
    }
    in.Literal(" ");
    ReadTime(in, f);
    in.Literal(" ");
    f.year = in.Digits(4);
  } else {
    return std::nullopt;
  }
  if (!in.AtEnd()) return std::nullopt;
  return ToSeconds(f);
}

std::optional<std::int64_t> RetryAfterSeconds(const std::string& value, std::int64_t now_utc) {
  std::size_t begin = 0;
  std::size_t end = value.size();
  while (begin < end && (value[begin] == ' ' || value[begin] == '\t')) ++begin;
  while (end > begin && (value[end - 1] == ' ' || value[end - 1] == '\t')) --end;
  if (begin == end) return std::nullopt;
  const std::string text = value.substr(begin, end - begin);
  if (text[0] >= '0' && text[0] <= '9') {
    // A huge number is a long wait, not an unreadable one.
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max() / 10 - 10;
    std::int64_t seconds = 0;
    for (char c : text) {
      if (c < '0' || c > '9') return std::nullopt;
      if (seconds < kMax) seconds = seconds * 10 + (c - '0');
    }
    return seconds;
  }
  const std::optional<std::int64_t> when = ParseHttpDate(text, now_utc);
  if (!when) return std::nullopt;
  return *when > now_utc ? *when - now_utc : 0;
}

}  // namespace kivo::protocol
