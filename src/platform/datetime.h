// Date-times in the toolkit's form: whole days since 1899-12-30, the time of
// day as the fraction. Pure arithmetic on the proleptic Gregorian calendar.
#pragma once

#include <string>

namespace kivo {

struct CivilDate {
  int year = 1899;
  int month = 12;
  int day = 30;
};

struct CivilDateTime {
  CivilDate date;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

constexpr double kMillisecondsPerDay = 86400000.0;

// True when year, month and day form a real calendar date (years 1 to 9999).
bool IsValidDate(int year, int month, int day);
// Whole days of a date; the date must be valid.
int EncodeDate(const CivilDate& date);
double EncodeDateTime(const CivilDateTime& dt);
CivilDate DecodeDate(double date_time);
CivilDateTime DecodeDateTime(double date_time);
// The whole-day part (midnight of the same day).
int DateOf(double date_time);

// "yyyymmdd" and "yymmdd" (two-digit year) of a date.
std::string FormatYYYYMMDD(const CivilDate& date);
std::string FormatYYMMDD(const CivilDate& date);
// "yyyy-mm-dd hh:nn:ss", "yyyy-mm-dd" and "hh:nn:ss".
std::string FormatDateTime(double date_time);
std::string FormatDate(double date_time);
std::string FormatTime(double date_time);
// The time of day as a Japanese Windows writes it in its long time format,
// "H:mm:ss": the hour without a leading zero ("8:04:05", "18:59:12").
std::string FormatJapaneseLongTime(double date_time);

}  // namespace kivo
