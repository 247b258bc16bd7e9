#include "harvest/unfinished_days.h"

#include <string_view>

#include "platform/datetime.h"

namespace kivo {

std::set<std::int64_t> ParseUnfinishedDays(const std::string& text) {
  std::set<std::int64_t> days;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    std::int64_t day;
    if (ReadYYYYMMDD(std::string_view(text).substr(start, end - start), day)) days.insert(day);
    start = end + 1;
  }
  return days;
}

std::int64_t NewestDay(const std::set<std::int64_t>& days, std::int64_t today) {
  return days.empty() || *days.rbegin() < today ? today : *days.rbegin();
}

bool StillWalked(std::int64_t day, std::int64_t newest) {
  return day > newest - kUnfinishedDaysSpan;
}

std::string FormatUnfinishedDays(const std::set<std::int64_t>& days, std::int64_t today) {
  const std::int64_t newest = NewestDay(days, today);
  std::string text;
  for (auto it = days.rbegin(); it != days.rend() && StillWalked(*it, newest); ++it) {
    if (!text.empty()) text += ',';
    text += FormatYYYYMMDD(DecodeDate(static_cast<double>(*it)));
  }
  return text;
}

}  // namespace kivo
