// The program's entry routine, shared by the Windows window and the terminal
// front-end: a random start-up delay, the single-instance guard, the
// front-end's own life (window, message loop), and the guard's release.
#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <string>

#include "platform/run_host.h"

namespace kivo {

// The name of the single-instance guard. It carries the host's product
// word, without a namespace prefix.
inline constexpr char kInstanceGuardName[] = "QuillsPlugIn";

// A start-up delay in whole milliseconds, uniform over 0 to 999.
int DrawStartDelay(std::mt19937_64& generator);

// Seeds, sleeps 0 to 999 ms, takes the guard "QuillsPlugIn" over the folders
// a run of the program at `program_path` writes (its host folder and the
// temporary folder), runs `front_end` (which creates the windows and runs
// the message loop) and releases the guard, also when the front-end throws.
// When another copy holds the guard it returns 0 at once: no front-end,
// nothing shown or written. Otherwise it returns the front-end's exit code.
int RunEntry(const std::function<int()>& front_end, RunHost& host, const std::string& program_path);

}  // namespace kivo
