// A RunHost for tests: a clock that advances only when slept, processes
// served in memory with every command line recorded, and actions (button
// presses) delivered by the message pump at chosen moments.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/datetime.h"
#include "platform/run_host.h"

namespace kivo::testing {

class FakeRunHost : public RunHost {
 public:
  struct Command {
    std::string command_line;
    std::string working_folder;
    std::int64_t started_ms;  // fake clock, milliseconds since the start
  };

  explicit FakeRunHost(CivilDateTime start = {{2026, 12, 7}, 10, 0, 0, 0})
      : start_(EncodeDateTime(start)) {}

  double Now() override {
    if (clock) return clock();
    return start_ + static_cast<double>(now_ms) / kMillisecondsPerDay;
  }
  void Sleep(int ms) override {
    now_ms += ms;
    slept_ms += ms;
    if (ms == 0) ++zero_sleeps;
  }
  void HandleMessages() override {
    ++pumps;
    // Deliver due actions in order; an action may pump again (a pause), so
    // take it out of the list before running it.
    for (std::size_t i = 0; i < scheduled_.size();) {
      if (scheduled_[i].due(*this)) {
        auto action = std::move(scheduled_[i].action);
        scheduled_.erase(scheduled_.begin() + static_cast<std::ptrdiff_t>(i));
        action();
        i = 0;
      } else {
        ++i;
      }
    }
    if (on_pump) on_pump();
  }
  std::unique_ptr<platform::Process> StartProcess(const std::string& command_line,
                                                  const std::string& working_folder) override {
    commands.push_back({command_line, working_folder, now_ms});
    if (!can_start) return nullptr;
    exit_code = 0;
    if (serve) serve(command_line);
    return std::make_unique<FakeProcess>(*this, now_ms + process_ms, exit_code);
  }

  bool AcquireInstanceGuard(const std::string& name,
                            const std::vector<std::string>& folders) override {
    std::string event = "acquire " + name;
    for (const auto& folder : folders) event += " " + folder;
    events.push_back(event);
    return guard_free;
  }
  void ReleaseInstanceGuard() override { events.push_back("release"); }
  std::uint64_t RandomSeed() override {
    events.push_back("seed");
    return seed;
  }

  // Runs `action` from the first pump at or after `ms` on the fake clock.
  void At(std::int64_t ms, std::function<void()> action) {
    scheduled_.push_back({[ms](FakeRunHost& h) { return h.now_ms >= ms; }, std::move(action)});
  }
  // Runs `action` from the pump that follows the n-th started command (1 =
  // the first) once it has been started.
  void AfterCommand(std::size_t n, std::function<void()> action) {
    scheduled_.push_back(
        {[n](FakeRunHost& h) { return h.commands.size() >= n; }, std::move(action)});
  }
  // Sets the clock to a new local date-time (a run passing midnight).
  void SetClock(CivilDateTime t) {
    start_ = EncodeDateTime(t);
    now_ms = 0;
  }

  std::int64_t now_ms = 0;
  std::int64_t slept_ms = 0;
  int zero_sleeps = 0;
  int pumps = 0;
  bool can_start = true;
  int process_ms = 300;  // how long each served command runs on the fake clock
  // The exit code of the command being served: reset to 0 before `serve`
  // runs, which may set it.
  int exit_code = 0;
  int kills = 0;  // processes ended by Kill()
  // Writes the answer of a command (the fake shop); may be empty.
  std::function<void(const std::string& command_line)> serve;
  std::function<void()> on_pump;
  std::function<void()> on_kill;  // a killed command's answer is taken back here
  std::vector<Command> commands;
  // When set, Now() reads this instead of the fake clock.
  std::function<double()> clock;
  // The guard and the seed: each call is recorded in `events`.
  bool guard_free = true;
  std::uint64_t seed = 7;
  std::vector<std::string> events;

 private:
  class FakeProcess : public platform::Process {
   public:
    FakeProcess(FakeRunHost& host, std::int64_t end_ms, int exit_code)
        : host_(host), end_ms_(end_ms), exit_code_(exit_code) {}
    bool Ended() override { return killed_ || host_.now_ms >= end_ms_; }
    int ExitCode() override { return !killed_ && Ended() ? exit_code_ : -1; }
    void Kill() override {
      if (Ended()) return;
      killed_ = true;
      ++host_.kills;
      if (host_.on_kill) host_.on_kill();
    }

   private:
    FakeRunHost& host_;
    std::int64_t end_ms_;
    int exit_code_;
    bool killed_ = false;
  };
  struct Scheduled {
    std::function<bool(FakeRunHost&)> due;
    std::function<void()> action;
  };

  double start_;
  std::vector<Scheduled> scheduled_;
};

}  // namespace kivo::testing
