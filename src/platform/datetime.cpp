#include "platform/datetime.h"

#include <cmath>
#include <cstdio>

namespace kivo {
namespace {

// Days from 1970-01-01 for a civil date (Howard Hinnant's algorithm).
long DaysFromCivil(long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long>(doe) - 719468;
}

CivilDate CivilFromDays(long z) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long y = static_cast<long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return CivilDate{static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

// 1899-12-30 is day 0 of the toolkit's calendar.
constexpr long kEpochOffset = 25569;  // days from 1899-12-30 to 1970-01-01

}  // namespace

bool IsValidDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  const int last = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
  return day <= last;
}

int EncodeDate(const CivilDate& date) {
  return static_cast<int>(DaysFromCivil(date.year, date.month, date.day) + kEpochOffset);
}

double EncodeDateTime(const CivilDateTime& dt) {
  const double ms = ((dt.hour * 60.0 + dt.minute) * 60.0 + dt.second) * 1000.0 + dt.millisecond;
  return EncodeDate(dt.date) + ms / kMillisecondsPerDay;
}

int DateOf(double date_time) { return static_cast<int>(std::floor(date_time)); }

CivilDate DecodeDate(double date_time) { return CivilFromDays(DateOf(date_time) - kEpochOffset); }

CivilDateTime DecodeDateTime(double date_time) {
  CivilDateTime dt;
  const int day = DateOf(date_time);
  dt.date = CivilFromDays(day - kEpochOffset);
  long ms = std::lround((date_time - day) * kMillisecondsPerDay);
  if (ms >= 86400000) ms = 86399999;
  if (ms < 0) ms = 0;
  dt.hour = static_cast<int>(ms / 3600000);
  dt.minute = static_cast<int>(ms / 60000 % 60);
  dt.second = static_cast<int>(ms / 1000 % 60);
  dt.millisecond = static_cast<int>(ms % 1000);
  return dt;
}

std::string FormatYYYYMMDD(const CivilDate& d) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", d.year, d.month, d.day);
  return buf;
}

std::string FormatYYMMDD(const CivilDate& d) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d%02d%02d", d.year % 100, d.month, d.day);
  return buf;
}

std::string FormatDate(double date_time) {
  const CivilDate d = DecodeDate(date_time);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
  return buf;
}

std::string FormatTime(double date_time) {
  const CivilDateTime t = DecodeDateTime(date_time);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
  return buf;
}

std::string FormatJapaneseLongTime(double date_time) {
  const CivilDateTime t = DecodeDateTime(date_time);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%d:%02d:%02d", t.hour, t.minute, t.second);
  return buf;
}

std::string FormatDateTime(double date_time) {
  return FormatDate(date_time) + " " + FormatTime(date_time);
}

}  // namespace kivo
