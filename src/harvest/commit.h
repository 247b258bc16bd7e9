// Committing titles to disk one by one: a title is done when its catalogue
// line and then its history entry are on disk.
#pragma once

#include <string>
#include <vector>

#include "harvest/run_errors.h"
#include "harvest/run_state.h"

namespace kivo {

// Appends the entries of `links` (dated `now`) to the history file in one
// write, each with CR LF, and then to the history. Throws
// THistoryWriteError when the file cannot take them; the history is then
// left as it was.
void CommitHistory(TRunState& state, double now, const std::vector<std::string>& links);

}  // namespace kivo
