// The single-instance guard on Windows: a named mutex.
// The mutex only marks that a copy is running: nobody waits on it or owns
// it. It lives as long as some process holds a handle, so a copy that dies
// releases it with its handles.
#include <windows.h>
#undef DeleteFile  // keep the seam's own DeleteFile

#include <string>
#include <vector>

#include "platform/platform.h"

namespace kivo::platform {
namespace {

HANDLE g_instance_guard = nullptr;

}  // namespace

bool AcquireInstanceGuard(const std::string& name, const std::vector<std::string>& /*folders*/) {
  if (g_instance_guard != nullptr) return false;  // held already by this process
  // One call both creates and finds: a mutex that existed before it is
  // another copy's, however close together the two starts came. (Opening
  // first and creating after would leave a moment in which both pass.)
  const HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
  if (mutex == nullptr) return false;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return false;
  }
  g_instance_guard = mutex;
  return true;
}

void ReleaseInstanceGuard() {
  if (g_instance_guard != nullptr) {
    CloseHandle(g_instance_guard);
    g_instance_guard = nullptr;
  }
}

}  // namespace kivo::platform
