#include "platform/run_host.h"

namespace kivo {

double SystemRunHost::Now() { return platform::LocalNow(); }

void SystemRunHost::Sleep(int ms) { platform::SleepMilliseconds(ms); }

void SystemRunHost::HandleMessages() {
  if (pump_) pump_();
}

std::unique_ptr<platform::Process> SystemRunHost::StartProcess(const std::string& command_line,
                                                               const std::string& working_folder) {
  return platform::StartProcess(command_line, working_folder);
}

void PumpMessages(RunHost& host) {
  host.Sleep(0);
  host.HandleMessages();
}

}  // namespace kivo
