#include "shell/entry.h"

#include "settings/settings.h"

namespace kivo {

int DrawStartDelay(std::mt19937_64& generator) {
  std::uniform_int_distribution<int> delay(0, 999);
  return delay(generator);
}

int RunEntry(const std::function<int()>& front_end, RunHost& host,
             const std::string& program_path) {
  std::mt19937_64 generator(host.RandomSeed());
  // Copies started at the same moment reach the guard at different moments.
  host.Sleep(DrawStartDelay(generator));
  if (!host.AcquireInstanceGuard(kInstanceGuardName,
                                 {HostDirFromProgramPath(program_path), GetTempDir()})) {
    return 0;
  }
  // The guard is held until the message loop has ended, however it ends.
  struct Release {
    RunHost& host;
    ~Release() { host.ReleaseInstanceGuard(); }
  } release{host};
  return front_end();
}

}  // namespace kivo
