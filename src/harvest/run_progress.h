// Where a run stands and how long it has left, for the status bar: "3/31日目
// 追加 12件 残り約4分". The time left is the mandated waits of what is still
// to fetch (politeness.h), refined by the pace the run has measured:
// - the rest of the day on show: the detail pages its page still has to
//   fetch, or, before its page is read, what such a day has taken;
// - each day not yet begun: one that has an archived page most likely takes
//   the short path (one listing page), any other what the walked days took.
// Medians, not means: the first day of a daily run brings all the new
// titles, the days before it almost none.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kivo {

class TRunProgress {
 public:
  // The run walks `days` days, `archived` of them with an archived page.
  void Begin(int days, int archived, double now);
  // The `number`-th day (1-based) begins; `archived` when it has a page in
  // the archive.
  void DayBegins(int number, bool archived, double now);
  // The day ends; `walked` when any of its pages was analysed (not only
  // found equal to its archived page).
  void DayEnds(bool walked, double now);
  // The listing page just read has `pending` detail pages to fetch.
  void PageRead(int pending, double now);
  // One of them is done (fetched or failed), at `now`.
  void DetailDone(double now);

  double SecondsLeft(double now) const;
  // "3/31日目 追加 12件 残り約4分"; "残り1分未満" under a minute.
  std::string Text(double now, int titles_added) const;
  // How far the run is, 0 to 1000: the time spent of the time spent and left.
  int Permille(double now) const;
  int Day() const { return day_; }
  int Days() const { return days_; }

 private:
  double DetailSeconds() const;
  // What a day not yet begun will most likely take.
  double DayCost(bool archived, double now) const;

  int days_ = 0;
  int day_ = 0;
  int archived_left_ = 0;  // archived days not yet begun
  double begin_ = 0;
  double day_begin_ = 0;
  bool day_archived_ = false;
  int pending_ = 0;
  bool page_read_ = false;  // a page of the day on show has been read
  double last_detail_ = 0;
  double detail_seconds_ = 0;  // measured, over detail_count_ pages
  int detail_count_ = 0;
  std::vector<double> walked_days_;  // seconds each took
  std::vector<double> short_days_;
};

}  // namespace kivo
