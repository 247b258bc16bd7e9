// File writes of the POSIX side that only the POSIX seam itself uses.
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

}  // namespace kivo::platform::posix
