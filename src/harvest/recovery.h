// After a run that ended between a title's catalogue line and its history
// entry, the next run finds the line and commits its entry before anything
// is fetched, so the title is not written twice.
#pragma once

#include <string>
#include <string_view>

#include "harvest/run_errors.h"
#include "harvest/run_state.h"

namespace kivo {

// The detail link a catalogue line names: its 16th field, the quoted text
// before the last one. Empty when the line has no such end.
std::string_view LinkOfLine(std::string_view line);

// Reads the catalogue backwards from its last whole line to the last line
// the history knows (as far as that is), and commits (CommitHistory, dated
// `now`) the shop's detail links of the lines after it, oldest first, once
// each. Lines of other programs are passed over. No catalogue: nothing to
// do. Throws TCatalogueReadError ("<path> を読み込めません") when it exists
// but cannot be read, THistoryWriteError when the entries cannot be written.
void RecoverCommittedLinks(TRunState& state, const std::string& base_url, double now);

}  // namespace kivo
