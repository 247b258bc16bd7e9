// Waiting and comparing operations of the page fetcher. FetchPage itself is
// an operation of the plugin window (TFormDLL), since it keeps the run
// state's last fetch time.
#pragma once

#include <string>

#include "platform/run_host.h"

namespace kivo {

// The download command line: powershell wget '<address>' -O '<file>'.
// Every "&" of the address stands between two double quotes. Returns ""
// when the address or the path cannot be passed safely (see fetch.cpp); the
// caller then fetches nothing.
std::string BuildFetchCommandLine(const std::string& address, const std::string& output_path);

// Starts the command in the program's folder and returns when it has ended,
// handling window messages at least every 100 ms meanwhile. A command that
// cannot be started returns at once.
void RunAndWait(RunHost& host, const std::string& command_line, int show_mode);

// Waits `seconds` in 10 ms slices, handling window messages after each.
void WaitSeconds(RunHost& host, double seconds);

// True when both files exist and have the same bytes. Throws
// std::runtime_error when a file exists but cannot be read.
bool SameFileContents(const std::string& x, const std::string& y);

}  // namespace kivo
