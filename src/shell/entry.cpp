#include "shell/entry.h"

#include <chrono>

#include "platform/platform.h"
#include "shell/settings.h"

namespace kivo {

EntrySystem DefaultEntrySystem() {
  EntrySystem system;
  system.seed = [] {
    // Two copies started together must not draw the same delay, so mix the
    // wall clock with the high-resolution counter.
    const auto wall = std::chrono::system_clock::now().time_since_epoch().count();
    const auto steady = std::chrono::steady_clock::now().time_since_epoch().count();
    return static_cast<std::uint64_t>(wall) ^ (static_cast<std::uint64_t>(steady) << 1);
  };
  system.sleep = platform::SleepMilliseconds;
  system.acquire_guard = [](const std::string& name) {
    return platform::AcquireInstanceGuard(
        name, {HostDirFromProgramPath(platform::ProgramPath()), GetTempDir()});
  };
  system.release_guard = platform::ReleaseInstanceGuard;
  return system;
}

int DrawStartDelay(std::mt19937_64& generator) {
  std::uniform_int_distribution<int> delay(0, 999);
  return delay(generator);
}

int RunEntry(const std::function<int()>& front_end, const EntrySystem& system) {
  std::mt19937_64 generator(system.seed());
  // Copies started at the same moment reach the guard at different moments.
  system.sleep(DrawStartDelay(generator));
  if (!system.acquire_guard(kInstanceGuardName)) return 0;
  // The guard is held until the message loop has ended, however it ends.
  struct Release {
    const EntrySystem& system;
    ~Release() { system.release_guard(); }
  } release{system};
  return front_end();
}

}  // namespace kivo
