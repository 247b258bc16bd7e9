// Whether the program that started the helper still runs. A helper that
// outlives its plugin (one killed, on a system where the helper could not
// be bound to it) must not rename its file over the target: by then the
// name may belong to the next run's download.
#pragma once

namespace kivo::fetch {

// Records the process that started this one: its id on POSIX, a handle to
// it on Windows (checked to be the process that started us, not a later
// one that was given its id). Call it first thing.
void RememberParent();

// False once the recorded parent has ended, and on Windows when it had
// ended before RememberParent looked; true while it runs, and when there is
// no parent to watch (none known, or not ours to open).
bool ParentRuns();

}  // namespace kivo::fetch
