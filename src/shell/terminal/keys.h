// The terminal front-end's keys: one key per window control. Kept apart so
// the tests can check the table the help text promises.
#pragma once

namespace kivo::terminal {

enum class Command { None, Stop, Pause, Resume, Skip, About, OpenShop };

inline constexpr char kEscape = '\x1b';

// The control a key stands for; None for every other key.
inline Command CommandForKey(char key) {
  switch (key) {
    case 's':
    case 'S':
    case 'q':
    case 'Q':
    case kEscape:
      return Command::Stop;
    case 'p':
    case 'P':
      return Command::Pause;
    case 'r':
    case 'R':
      return Command::Resume;
    case 'k':
    case 'K':
      return Command::Skip;
    case 'a':
    case 'A':
      return Command::About;
    case 'u':
    case 'U':
      return Command::OpenShop;
    default:
      return Command::None;
  }
}

inline constexpr char kKeysHelp[] =
    "  s, q, Esc  Stop: end the run (the history is still saved) and close\n"
    "  p          Pause the run\n"
    "  r          Resume after a pause\n"
    "  k          Skip the rest of the day on show\n"
    "  a          Show the version information\n"
    "  u          Open the shop's top page in the desktop's browser\n";

}  // namespace kivo::terminal
