// Local wall-clock time, its long form and sleeping on POSIX.
#include <sched.h>
#include <time.h>

#include <cerrno>
#include <string>

#include "platform/datetime.h"
#include "platform/platform.h"

namespace kivo::platform {

double LocalNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  const time_t seconds = now.tv_sec;
  tm local{};
  if (!localtime_r(&seconds, &local)) return 0;
  CivilDateTime dt;
  dt.date = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
  dt.hour = local.tm_hour;
  dt.minute = local.tm_min;
  // A leap second (60) is folded into the last second of the minute.
  dt.second = local.tm_sec > 59 ? 59 : local.tm_sec;
  dt.millisecond = static_cast<int>(now.tv_nsec / 1000000);
  return EncodeDateTime(dt);
}

std::string LongTimeText(double date_time) { return FormatJapaneseLongTime(date_time); }

void SleepMilliseconds(int ms) {
  if (ms <= 0) {
    sched_yield();  // a sleep of 0 gives up the rest of the time slice
    return;
  }
  timespec wanted{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
  timespec left{};
  // A signal (Ctrl+C mapped to Stop) must not cut the sleep short; the
  // caller handles messages right after it anyway.
  while (nanosleep(&wanted, &left) != 0 && errno == EINTR) wanted = left;
}

}  // namespace kivo::platform
