// The terminal behind the terminal front-end: standard input read without
// blocking the run, single keys when it is an interactive terminal, SIGINT
// and SIGTERM caught as Stop presses, and Shift-JIS text converted to the
// terminal's character set for display only.
#pragma once

#include <iconv.h>

#include <string>

namespace kivo::terminal {

class Console {
 public:
  // `key_mode`: read single keys (no line editing, no echo) when standard
  // input is an interactive terminal in the foreground. Otherwise input is
  // read in lines, as typed or piped.
  explicit Console(bool key_mode);
  ~Console();  // restores the terminal and the signal handlers
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  // Standard input is a terminal whose foreground this process is in now,
  // so a person can answer; only then is it ever waited on during a run.
  bool Interactive() const;
  // Single keys are read (key mode was asked for and input is a terminal).
  bool KeyMode() const;

  // Moves the bytes waiting on standard input into Pending(). Waits up to
  // `timeout_ms` for some (-1: until input, end of input or a signal).
  void Fill(int timeout_ms);
  std::string& Pending() { return pending_; }
  // Waits `timeout_ms` or until a signal, without touching standard input.
  void Wait(int timeout_ms);
  bool AtEnd() const { return at_end_; }

  // SIGINT and SIGTERM received so far.
  int StopSignals() const;

  // Writes Shift-JIS text as one line to standard output, converted to the
  // terminal's character set, with control characters made harmless.
  void Line(const std::string& sjis_text);
  // Writes Shift-JIS text without a line end and flushes (prompts).
  void Text(const std::string& sjis_text);
  // Standard output is a terminal.
  bool OutputIsTerminal() const { return output_terminal_; }
  // Shows Shift-JIS text as the status line under the other output, on a
  // terminal rewritten in place: lines written later go above it.
  void Status(const std::string& sjis_text);

  // The conversion Line() and Text() use.
  std::string ForDisplay(const std::string& sjis_text);

 private:
  bool interactive_ = false;  // standard input is a terminal
  bool at_end_ = false;
  std::string pending_;
  iconv_t to_display_ = reinterpret_cast<iconv_t>(-1);
  bool pass_through_ = false;
  bool output_terminal_ = false;
  // The status line as shown, "" when none is.
  std::string status_;
};

}  // namespace kivo::terminal
