#include "parent.h"

#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

namespace kivo::fetch {
namespace {

HANDLE g_parent = nullptr;  // null when there is none to watch
bool g_parent_gone = false;

// The id of the process that started this one, from the system's list of
// processes; 0 when none is known (so under Wine for a program started from
// outside Windows).
DWORD ParentId() {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  const DWORD self = GetCurrentProcessId();
  DWORD parent = 0;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID == self) {
      parent = entry.th32ParentProcessID;
      break;
    }
  }
  CloseHandle(snapshot);
  return parent;
}

bool StartTime(HANDLE process, ULONGLONG& start) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return false;
  start = (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
  return true;
}

}  // namespace

void RememberParent() {
  const DWORD id = ParentId();
  if (id == 0) return;
  const HANDLE parent = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
  if (parent == nullptr) {
    // No process has that id any more: the parent has ended already. Any
    // other refusal leaves nothing to watch.
    g_parent_gone = GetLastError() == ERROR_INVALID_PARAMETER;
    return;
  }
  // Ids are reused: a process that started after us holds the id of a
  // parent that has ended. Start times count in clock ticks, so a parent
  // that started us at once may show the same time as we do.
  ULONGLONG parent_start = 0;
  ULONGLONG own_start = 0;
  if (!StartTime(parent, parent_start) || !StartTime(GetCurrentProcess(), own_start)) {
    CloseHandle(parent);
    return;
  }
  if (parent_start > own_start) {
    CloseHandle(parent);
    g_parent_gone = true;
    return;
  }
  g_parent = parent;  // held until we end
}

bool ParentRuns() {
  if (g_parent_gone) return false;
  return g_parent == nullptr || WaitForSingleObject(g_parent, 0) != WAIT_OBJECT_0;
}

}  // namespace kivo::fetch
