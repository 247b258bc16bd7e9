// What the program needs from the running system that tests must control:
// the clock, sleeping, process starts, the handling of waiting window
// messages, the single-instance guard and the seed of the start-up delay.
// Everything else (files, settings, the environment) goes through the
// platform functions, which tests use for real on folders of their own. The
// real host forwards to the platform and to the front-end's message pump;
// tests supply a fake whose clock advances when slept.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace kivo {

class RunHost {
 public:
  virtual ~RunHost() = default;
  // Local date-time, days plus fraction of a day.
  virtual double Now() = 0;
  virtual void Sleep(int ms) = 0;
  // Handle every window message (button press, key, signal) waiting now.
  // Button handlers run nested inside this call.
  virtual void HandleMessages() = 0;
  virtual std::unique_ptr<platform::Process> StartProcess(const std::string& command_line,
                                                          const std::string& working_folder) = 0;
  // As platform::AcquireInstanceGuard and ReleaseInstanceGuard.
  virtual bool AcquireInstanceGuard(const std::string& name,
                                    const std::vector<std::string>& folders) = 0;
  virtual void ReleaseInstanceGuard() = 0;
  // A seed for a random generator; two copies started at the same moment
  // get different ones.
  virtual std::uint64_t RandomSeed() = 0;
};

// The real one. The front-end installs its message handling with SetPump.
class SystemRunHost : public RunHost {
 public:
  double Now() override;
  void Sleep(int ms) override;
  void HandleMessages() override;
  std::unique_ptr<platform::Process> StartProcess(const std::string& command_line,
                                                  const std::string& working_folder) override;
  bool AcquireInstanceGuard(const std::string& name,
                            const std::vector<std::string>& folders) override;
  void ReleaseInstanceGuard() override;
  std::uint64_t RandomSeed() override;
  void SetPump(std::function<void()> pump) { pump_ = std::move(pump); }

 private:
  std::function<void()> pump_;
};

// Give up the rest of the time slice, then handle waiting messages.
void PumpMessages(RunHost& host);

}  // namespace kivo
