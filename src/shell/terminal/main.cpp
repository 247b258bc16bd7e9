// kivo for POSIX terminals: the plugin window's logic over a terminal view.
// The host's layout is the same as on Windows: this program sits in a folder
// one level below the host's folder, which holds Quillcast.ini, the
// catalogue, the history and the run log.
#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "about/version.h"
#include "platform/platform.h"
#include "platform/run_host.h"
#include "shell/entry.h"
#include "shell/shell_texts.h"
#include "shell/terminal/console.h"
#include "shell/terminal/keys.h"
#include "shell/terminal/terminal_view.h"
#include "shell/window_logic.h"

namespace {

constexpr char kUsage[] =
    "Usage: kivo [/c]\n"
    "\n"
    "Harvests the kivo shop's new-release listings for today and the days back\n"
    "and appends one line per new title to the host's QuillsMas.csv. The program\n"
    "lives one folder below the host's folder, which holds Quillcast.ini, the\n"
    "catalogue, the history kivo.txt and the run log Quillcas.log.\n"
    "\n"
    "  (no argument)  run one harvest, then exit\n"
    "  /c             configuration: show the days-back value and read new ones,\n"
    "                 one per line of input (an empty line keeps the value; a\n"
    "                 line holding one of the keys below acts as that key); end\n"
    "                 of input or Stop closes and stores it in Quillcast.ini\n"
    "  --help         this text\n"
    "  --version      the version\n"
    "\n"
    "Keys while a run goes on (when standard input is a terminal):\n";

constexpr char kUsageEnd[] =
    "\n"
    "SIGINT (Ctrl-C), SIGTERM and SIGHUP act as Stop; a third one ends the program\n"
    "at once. A download under way is ended at once, its file left as it was.\n"
    "Standard input that is not a terminal is never read during a run.\n"
    "Only one copy runs at a time; a second one exits at once with code 0.\n"
    "Texts are shown in the terminal's character set; every file stays\n"
    "Shift-JIS. Exit code 0 after a run or a Stop; the run's errors go to the\n"
    "log.\n";

int RunTerminal(const std::vector<std::string>& args, kivo::SystemRunHost& host) {
  using kivo::terminal::Console;
  using kivo::terminal::TerminalView;
  const bool configuration = !args.empty() && args[0] == "/c";
  Console console(/*key_mode=*/!configuration);
  TerminalView view(console, configuration);
  kivo::TFormDLL form(view, host, args, kivo::platform::ProgramPath());
  view.Attach(form);
  host.SetPump([&view] { view.Pump(); });

  console.Line(kivo::texts::kWindowCaption);
  form.Invoke([&form] { form.FormCreate(); });
  // The window is shown and becomes active at once.
  form.Invoke([&form] { form.FormActivate(); });
  view.RunMessageLoop();
  form.Invoke([&form] { form.FormDestroy(); });
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Only the character set: numbers and dates keep the C locale's form.
  std::setlocale(LC_CTYPE, "");
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(kUsage, stdout);
    std::fputs(kivo::terminal::kKeysHelp, stdout);
    std::fputs(kUsageEnd, stdout);
    return 0;
  }
  if (!args.empty() && args[0] == "--version") {
    kivo::terminal::Console console(false);
    kivo::TVersion version;
    kivo::ReadVersionInfo(kivo::platform::ProgramPath(), version);
    console.Line(version.ProductName + " " + version.FileVersion);
    return 0;
  }
  kivo::SystemRunHost host;
  return kivo::RunEntry([&] { return RunTerminal(args, host); }, host,
                        kivo::platform::ProgramPath());
}
