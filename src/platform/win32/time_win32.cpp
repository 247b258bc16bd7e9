// Local wall-clock time, its long form and sleeping on Windows.
#include <windows.h>
#undef DeleteFile  // keep the seam's own DeleteFile

#include <string>

#include "platform/datetime.h"
#include "platform/platform.h"
#include "platform/win32/wide_text.h"

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

std::string LongTimeText(double date_time) {
  const CivilDateTime t = DecodeDateTime(date_time);
  SYSTEMTIME time{};
  time.wYear = static_cast<WORD>(t.date.year);
  time.wMonth = static_cast<WORD>(t.date.month);
  time.wDay = static_cast<WORD>(t.date.day);
  time.wHour = static_cast<WORD>(t.hour);
  time.wMinute = static_cast<WORD>(t.minute);
  time.wSecond = static_cast<WORD>(t.second);
  // The wide function, its text converted to code page 932 by name: the
  // log is Shift-JIS whatever the ANSI code page of this system.
  wchar_t text[128];
  if (GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, nullptr, text, 128) == 0) {
    return FormatJapaneseLongTime(date_time);
  }
  return win32::Narrow(text);
}

void SleepMilliseconds(int ms) { Sleep(ms < 0 ? 0 : static_cast<DWORD>(ms)); }

}  // namespace kivo::platform
