#include "platform/run_host.h"

#include <chrono>

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

bool SystemRunHost::AcquireInstanceGuard(const std::string& name,
                                         const std::vector<std::string>& folders) {
  return platform::AcquireInstanceGuard(name, folders);
}

void SystemRunHost::ReleaseInstanceGuard() { platform::ReleaseInstanceGuard(); }

std::uint64_t SystemRunHost::RandomSeed() {
  // Two copies started together must not draw the same delay, so mix the
  // wall clock with the high-resolution counter.
  const auto wall = std::chrono::system_clock::now().time_since_epoch().count();
  const auto steady = std::chrono::steady_clock::now().time_since_epoch().count();
  return static_cast<std::uint64_t>(wall) ^ (static_cast<std::uint64_t>(steady) << 1);
}

void PumpMessages(RunHost& host) {
  host.Sleep(0);
  host.HandleMessages();
}

}  // namespace kivo
