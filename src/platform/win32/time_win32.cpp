// Local wall-clock time and sleeping on Windows.
#include <windows.h>
#undef DeleteFile  // keep the seam's own DeleteFile

#include "platform/datetime.h"
#include "platform/platform.h"

namespace kivo::platform {

double LocalNow() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  CivilDateTime dt;
  dt.date = CivilDate{t.wYear, t.wMonth, t.wDay};
  dt.hour = t.wHour;
  dt.minute = t.wMinute;
  dt.second = t.wSecond;
  dt.millisecond = t.wMilliseconds;
  return EncodeDateTime(dt);
}

void SleepMilliseconds(int ms) { Sleep(ms < 0 ? 0 : static_cast<DWORD>(ms)); }

}  // namespace kivo::platform
