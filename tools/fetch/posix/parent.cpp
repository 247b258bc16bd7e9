#include "parent.h"

#include <unistd.h>

namespace kivo::fetch {
namespace {

// An orphan is handed to init or to a subreaper, so a parent id that
// changes means the parent has ended.
pid_t g_parent = 0;

}  // namespace

void RememberParent() { g_parent = ::getppid(); }

bool ParentRuns() { return ::getppid() == g_parent; }

}  // namespace kivo::fetch
