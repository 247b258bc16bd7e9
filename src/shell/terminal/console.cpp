#include "shell/terminal/console.h"

#include <langinfo.h>
#include <poll.h>
#include <strings.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "shell/terminal/display_text.h"

namespace kivo::terminal {
namespace {

// Set from the signal handler; read by the console on the window thread.
volatile std::sig_atomic_t g_stop_signals = 0;
volatile std::sig_atomic_t g_raw_active = 0;
termios g_saved_terminal{};
struct sigaction g_old_int {};
struct sigaction g_old_term {};

// The first signal asks for Stop; the run ends at its next check and the
// history is still saved. Should the program not end, a third signal takes
// the system's own way out, with the terminal put back first.
void OnStopSignal(int signal_number) {
  g_stop_signals = g_stop_signals + 1;
  if (g_stop_signals >= 3) {
    if (g_raw_active) tcsetattr(STDIN_FILENO, TCSANOW, &g_saved_terminal);
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
  }
}

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

bool SameName(const char* a, const char* b) { return strcasecmp(a, b) == 0; }

}  // namespace

Console::Console(bool key_mode) {
  interactive_ = isatty(STDIN_FILENO) && tcgetpgrp(STDIN_FILENO) == getpgrp();
  if (key_mode && interactive_ && tcgetattr(STDIN_FILENO, &saved_) == 0) {
    termios raw = saved_;
    // Single keys without echo; Ctrl-C still raises SIGINT.
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    g_saved_terminal = saved_;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0) {
      raw_ = true;
      g_raw_active = 1;
    }
  }
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a signal ends a wait at once
  sigaction(SIGINT, &action, &g_old_int);
  sigaction(SIGTERM, &action, &g_old_term);

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
  if (raw_) {
    tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
    g_raw_active = 0;
  }
  sigaction(SIGINT, &g_old_int, nullptr);
  sigaction(SIGTERM, &g_old_term, nullptr);
  if (to_display_ != reinterpret_cast<iconv_t>(-1)) iconv_close(to_display_);
}

void Console::Fill(int timeout_ms) {
  if (at_end_) {
    if (timeout_ms > 0) poll(nullptr, 0, timeout_ms);
    return;
  }
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
      const std::size_t skip = IsLead(static_cast<unsigned char>(*in)) && in_left > 1 ? 2 : 1;
      in += skip;
      in_left -= skip;
      out += '?';
    }
  }
  return out;
}

void Console::Line(const std::string& sjis_text) {
  const std::string text = ForDisplay(sjis_text) + "\n";
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

void Console::Text(const std::string& sjis_text) {
  const std::string text = ForDisplay(sjis_text);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

}  // namespace kivo::terminal
