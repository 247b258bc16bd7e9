// How the end of a download is told to the plugin: the helper's exit code
// (protocol/exit_code.h) and, for the ends that need more, the failure note
// beside the output file.
#pragma once

#include <string>

#include "download.h"
#include "protocol/exit_code.h"

namespace kivo::fetch {

// The exit code a download's end stands for. kSinkFailure is the output
// file's failure (kLocal); a body over the size cap is the caller's to tell.
protocol::ExitCode ExitCodeOf(DownloadStatus status);

// The failure note's text for a download that ends with `code` after
// `answer`: "status=NNN\n" for kFailed with an error status, "host=...\n"
// for kRedirectRefused with a host that is printable ASCII (no blank, no
// "="); empty when there is nothing to tell.
std::string FailureNoteText(protocol::ExitCode code, const DownloadAnswer& answer);

// Writes `text` as the failure note of `output_path` (replacing it whole),
// or removes an old note when `text` is empty. A note that cannot be
// written is left out: the exit code still tells the failure.
void LeaveFailureNote(const std::string& output_path, const std::string& text);

}  // namespace kivo::fetch
