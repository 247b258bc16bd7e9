// The run log: an append-only Shift-JIS text file, one CR LF line per entry,
// opened, appended, flushed and closed for every line. Nothing it does ever
// throws to the caller.
#pragma once

#include <string>

#include "platform/run_host.h"

namespace kivo {

class TLogFile {
 public:
  // `host` gives the local date-time for the start and end lines.
  explicit TLogFile(RunHost& host);
  ~TLogFile();  // writes the end line when active

  bool Active() const { return active_; }
  // true: StartLog (start and version lines; drops back to off when the file
  // cannot be written). false: EndLog, then off.
  void SetActive(bool active);
  const std::string& LogFileName() const { return file_name_; }
  void SetLogFileName(const std::string& name) { file_name_ = name; }

  // Appends `text` (or, when `is_error`, "<log file name>: <text> (C.ERROR)").
  // True when the line is on disk; false when off or on any failure.
  bool WriteLog(const std::string& text, bool is_error) noexcept;

 private:
  void StartLog() noexcept;
  void EndLog() noexcept;

  RunHost& host_;
  bool active_ = false;
  std::string file_name_;
};

}  // namespace kivo
