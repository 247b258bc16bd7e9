#include "harvest/run_progress.h"

#include <algorithm>
#include <cmath>

#include "harvest/harvest_texts.h"
#include "protocol/politeness.h"

namespace kivo {
namespace {

constexpr double kSecondsPerDay = 86400.0;

// The least a listing page and a detail page take from one fetch's start to
// the next: the spacing, or the settling and the pause after the page.
constexpr double kListingPageSeconds =
    std::max(politeness::kFetchSpacingMs, politeness::kSettleMs + politeness::kListingPauseMs) /
    1000.0;
constexpr double kDetailPageSeconds =
    std::max(politeness::kFetchSpacingMs, politeness::kSettleMs + politeness::kDetailPauseMs) /
    1000.0;

double Seconds(double from, double to) { return std::max(0.0, (to - from) * kSecondsPerDay); }

double Median(std::vector<double> values) {
  const std::size_t middle = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle),
                   values.end());
  double median = values[middle];
  if (values.size() % 2 == 0) {
    median = (median + *std::max_element(values.begin(),
                                         values.begin() + static_cast<std::ptrdiff_t>(middle))) /
             2;
  }
  return median;
}

}  // namespace

void TRunProgress::Begin(int days, int archived, double now) {
  *this = TRunProgress{};
  days_ = days;
  archived_left_ = archived;
  begin_ = now;
}

void TRunProgress::DayBegins(int number, bool archived, double now) {
  day_ = number;
  day_archived_ = archived;
  if (archived && archived_left_ > 0) --archived_left_;
  day_begin_ = now;
  pending_ = 0;
  page_read_ = false;
}

void TRunProgress::DayEnds(bool walked, double now) {
  (walked ? walked_days_ : short_days_).push_back(Seconds(day_begin_, now));
  pending_ = 0;
}

void TRunProgress::PageRead(int pending, double now) {
  pending_ = pending;
  page_read_ = true;
  last_detail_ = now;
}

void TRunProgress::DetailDone(double now) {
  if (pending_ > 0) --pending_;
  detail_seconds_ += Seconds(last_detail_, now);
  ++detail_count_;
  last_detail_ = now;
}

double TRunProgress::DetailSeconds() const {
  const double measured = detail_count_ > 0 ? detail_seconds_ / detail_count_ : 0;
  return std::max(kDetailPageSeconds, measured);
}

double TRunProgress::DayCost(bool archived, double now) const {
  const std::vector<double>& measured = archived ? short_days_ : walked_days_;
  if (!measured.empty()) return std::max(kListingPageSeconds, Median(measured));
  // No such day done yet: a day walked like the one on show, as far as its
  // page tells.
  if (!archived && !day_archived_ && page_read_) {
    return std::max(kListingPageSeconds, Seconds(day_begin_, now) + pending_ * DetailSeconds());
  }
  return kListingPageSeconds;
}

double TRunProgress::SecondsLeft(double now) const {
  double left = 0;
  if (day_ > 0) {
    left += page_read_ ? pending_ * DetailSeconds()
                       : std::max(0.0, DayCost(day_archived_, now) - Seconds(day_begin_, now));
  }
  const int not_begun = std::max(0, days_ - std::max(day_, 0));
  const int archived = std::min(archived_left_, not_begun);
  left += archived * DayCost(true, now) + (not_begun - archived) * DayCost(false, now);
  return left;
}

std::string TRunProgress::Text(double now, int titles_added) const {
  std::string text = std::to_string(day_) + "/" + std::to_string(days_) + texts::kDayOf + " " +
                     texts::kAdded + std::to_string(titles_added) + texts::kItems;
  const double left = SecondsLeft(now);
  if (left < 60) return text + texts::kUnderAMinute;
  return text + texts::kAbout + std::to_string(static_cast<long long>(std::ceil(left / 60))) +
         texts::kMinutes;
}

int TRunProgress::Permille(double now) const {
  const double spent = Seconds(begin_, now);
  const double total = spent + SecondsLeft(now);
  if (total <= 0) return 0;
  return static_cast<int>(std::lround(std::min(1000.0, 1000.0 * spent / total)));
}

}  // namespace kivo
