#include "shell/terminal/console.h"

#include <langinfo.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "shell/terminal/display_text.h"
#include "text/bytes.h"

namespace kivo::terminal {
namespace {

// Shared with the signal handlers; touched on the window thread otherwise.
volatile std::sig_atomic_t g_stop_signals = 0;
volatile std::sig_atomic_t g_key_mode = 0;     // single keys wanted
volatile std::sig_atomic_t g_raw_applied = 0;  // the terminal is in single-key mode now
termios g_saved_terminal{};
termios g_raw_terminal{};
struct sigaction g_old_int {};
struct sigaction g_old_term {};
struct sigaction g_old_hup {};
struct sigaction g_old_tstp {};
struct sigaction g_old_pipe {};

bool InForeground() { return tcgetpgrp(STDIN_FILENO) == getpgrp(); }

// tcsetattr with SIGTTOU blocked, so putting the terminal back works even
// from the background instead of stopping the process. Async-signal-safe.
void SetTerminal(const termios& mode) {
  sigset_t block;
  sigset_t old;
  sigemptyset(&block);
  sigaddset(&block, SIGTTOU);
  sigprocmask(SIG_BLOCK, &block, &old);
  tcsetattr(STDIN_FILENO, TCSANOW, &mode);
  sigprocmask(SIG_SETMASK, &old, nullptr);
}

void RestoreTerminal() {
  if (!g_raw_applied) return;
  SetTerminal(g_saved_terminal);
  g_raw_applied = 0;
}

// Single keys only while the program owns the terminal's foreground, so a
// job sent to the background never takes the terminal from the shell.
void ApplyKeyMode() {
  if (!g_key_mode || g_raw_applied || !InForeground()) return;
  SetTerminal(g_raw_terminal);
  g_raw_applied = 1;
}

// The first signal asks for Stop; the run ends at its next check and the
// history is still saved. Should the program not end, a third signal takes
// the system's own way out, with the terminal put back first.
void OnStopSignal(int signal_number) {
  g_stop_signals = g_stop_signals + 1;
  if (g_stop_signals >= 3) {
    RestoreTerminal();
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
  }
}

// Ctrl-Z: hand the shell its terminal back, stop, and take single keys up
// again when continued in the foreground.
void OnSuspend(int) {
  const int saved_errno = errno;
  RestoreTerminal();
  struct sigaction stop {};
  stop.sa_handler = SIG_DFL;
  sigemptyset(&stop.sa_mask);
  struct sigaction mine {};
  sigaction(SIGTSTP, &stop, &mine);
  sigset_t unblock;
  sigemptyset(&unblock);
  sigaddset(&unblock, SIGTSTP);
  sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
  raise(SIGTSTP);  // stops here until SIGCONT
  sigaction(SIGTSTP, &mine, nullptr);
  ApplyKeyMode();
  errno = saved_errno;
}

// A reader of standard output that went away must not kill the run before
// it saves its history; writes then just fail. A handler rather than
// SIG_IGN, so the download helper does not inherit an ignored SIGPIPE.
void OnBrokenPipe(int) {}

bool SameName(const char* a, const char* b) { return ascii::EqualsNoCase(a, b); }

}  // namespace

Console::Console(bool key_mode) {
  interactive_ = isatty(STDIN_FILENO) != 0;
  output_terminal_ = isatty(STDOUT_FILENO) != 0;
  if (key_mode && interactive_ && tcgetattr(STDIN_FILENO, &g_saved_terminal) == 0) {
    g_raw_terminal = g_saved_terminal;
    // Single keys without echo; Ctrl-C still raises SIGINT.
    g_raw_terminal.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    g_raw_terminal.c_cc[VMIN] = 1;
    g_raw_terminal.c_cc[VTIME] = 0;
    g_key_mode = 1;
    ApplyKeyMode();
  }
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a signal ends a wait at once
  sigaction(SIGINT, &action, &g_old_int);
  sigaction(SIGTERM, &action, &g_old_term);
  // A closed terminal or a logout: stop as for Ctrl-C, so the history is
  // saved before the session goes.
  sigaction(SIGHUP, &action, &g_old_hup);
  action.sa_handler = OnBrokenPipe;
  sigaction(SIGPIPE, &action, &g_old_pipe);
  if (g_key_mode) {
    action.sa_handler = OnSuspend;
    sigaction(SIGTSTP, &action, &g_old_tstp);
  }

  const char* charset = nl_langinfo(CODESET);
  if (charset == nullptr || *charset == '\0' || SameName(charset, "ANSI_X3.4-1968") ||
      SameName(charset, "ASCII")) {
    // The C locale: today's terminals show UTF-8 best.
    charset = "UTF-8";
  }
  if (SameName(charset, "CP932") || SameName(charset, "SHIFT_JIS") || SameName(charset, "SJIS") ||
      SameName(charset, "WINDOWS-31J") || SameName(charset, "MS932")) {
    pass_through_ = true;
  } else {
    to_display_ = iconv_open(charset, "CP932");
  }
}

Console::~Console() {
  // The shell's prompt goes below the status line, not over it.
  if (!status_.empty()) std::fputs("\n", stdout);
  if (g_key_mode) {
    sigaction(SIGTSTP, &g_old_tstp, nullptr);
    RestoreTerminal();
    g_key_mode = 0;
  }
  sigaction(SIGINT, &g_old_int, nullptr);
  sigaction(SIGTERM, &g_old_term, nullptr);
  sigaction(SIGHUP, &g_old_hup, nullptr);
  sigaction(SIGPIPE, &g_old_pipe, nullptr);
  if (to_display_ != reinterpret_cast<iconv_t>(-1)) iconv_close(to_display_);
}

bool Console::Interactive() const { return interactive_ && InForeground(); }

bool Console::KeyMode() const { return g_key_mode != 0; }

void Console::Fill(int timeout_ms) {
  // A terminal is read only from the foreground: a read from the
  // background would stop the whole program.
  if (at_end_ || (interactive_ && !InForeground())) {
    if (timeout_ms > 0) poll(nullptr, 0, timeout_ms);
    return;
  }
  ApplyKeyMode();
  pollfd input{STDIN_FILENO, POLLIN, 0};
  if (poll(&input, 1, timeout_ms) <= 0) return;  // nothing yet, or a signal
  if (input.revents & POLLNVAL) {
    at_end_ = true;
    return;
  }
  char buffer[4096];
  const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
  if (got > 0) {
    pending_.append(buffer, static_cast<std::size_t>(got));
  } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
    at_end_ = true;
  }
}

void Console::Wait(int timeout_ms) { poll(nullptr, 0, timeout_ms); }

int Console::StopSignals() const { return g_stop_signals; }

std::string Console::ForDisplay(const std::string& sjis_text) {
  const std::string safe = WithoutControls(sjis_text);
  if (pass_through_) return safe;
  if (to_display_ == reinterpret_cast<iconv_t>(-1)) {
    std::string ascii = safe;
    for (char& c : ascii) {
      if (static_cast<unsigned char>(c) >= 0x80) c = '?';
    }
    return ascii;
  }
  std::string out;
  iconv(to_display_, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(safe.data());
  std::size_t in_left = safe.size();
  char buffer[1024];
  while (in_left > 0) {
    char* to = buffer;
    std::size_t to_left = sizeof buffer;
    const std::size_t rc = iconv(to_display_, &in, &in_left, &to, &to_left);
    out.append(buffer, static_cast<std::size_t>(to - buffer));
    if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
      // A character the display cannot show: one "?" for it.
      // `safe` holds whole characters only: a lead byte has its second.
      const std::size_t skip =
          sjis::IsLeadByte(static_cast<unsigned char>(*in)) && in_left > 1 ? 2 : 1;
      in += skip;
      in_left -= skip;
      out += '?';
    }
  }
  return out;
}

// Back to the start of the line and clear it: "\r" and the terminal's erase
// to the end of the line.
constexpr char kClearLine[] = "\r\x1b[K";

void Console::Line(const std::string& sjis_text) {
  std::string text = ForDisplay(sjis_text) + "\n";
  if (!status_.empty()) text = kClearLine + text + status_;
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

void Console::Status(const std::string& sjis_text) {
  status_ = ForDisplay(sjis_text);
  const std::string text = kClearLine + status_;
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

void Console::Text(const std::string& sjis_text) {
  // A prompt takes the status line's place.
  std::string text = ForDisplay(sjis_text);
  if (!status_.empty()) text = kClearLine + text;
  status_.clear();
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

}  // namespace kivo::terminal
