// File helpers of the POSIX side that only the POSIX seam itself uses.
#pragma once

#include <string>

namespace kivo::platform::posix {

// SaveAtomically, or, when no temporary file can be made beside `path` (a
// folder that takes no new file while the file itself is writable, a name
// with no room left for the temporary suffix), `bytes` written over the
// file where it stands (created when missing), as Windows' profile functions
// write. In place, a failure part-way may leave the file half written; a
// full disk is found before anything changes. False when the file was not
// written.
bool SaveAtomicallyOrInPlace(const std::string& path, const std::string& bytes);

// Windows' wildcard rules for one file name: '*' any run of characters, '?'
// one character (a double-byte character counts as one), ASCII letters
// folded. True when `name` matches `pattern` as a whole.
bool WildcardMatch(const std::string& pattern, const std::string& name);

// A name for a temporary file beside `path` that no other writer uses:
// `path` + ".tmp" + this process's id + "_" + a counter of this process.
std::string TemporaryNameBeside(const std::string& path);

}  // namespace kivo::platform::posix
