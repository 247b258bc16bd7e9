#include "harvest/unfinished_days.h"

#include "platform/datetime.h"

namespace kivo {

std::set<std::int64_t> ParseUnfinishedDays(const std::string& text) {
  std::set<std::int64_t> days;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    bool digits = word.size() == 8;
    for (const char c : word) digits = digits && c >= '0' && c <= '9';
    if (digits) {
      const int year = std::stoi(word.substr(0, 4));
      const int month = std::stoi(word.substr(4, 2));
      const int day = std::stoi(word.substr(6, 2));
      if (IsValidDate(year, month, day)) days.insert(EncodeDate(CivilDate{year, month, day}));
    }
    start = end + 1;
  }
  return days;
}

std::string FormatUnfinishedDays(const std::set<std::int64_t>& days, std::int64_t today) {
  std::string text;
  for (auto it = days.rbegin(); it != days.rend(); ++it) {
    if (*it > today) continue;
    if (*it <= today - kUnfinishedDaysSpan) break;
    if (!text.empty()) text += ',';
    text += FormatYYYYMMDD(DecodeDate(static_cast<double>(*it)));
  }
  return text;
}

}  // namespace kivo
