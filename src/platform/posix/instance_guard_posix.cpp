// The single-instance guard on POSIX: an exclusive flock on a file in the
// temporary folder, one file per guard name and user. The lock belongs to
// the open file, so the system drops it when the process dies in any way;
// the file itself is left in place (removing it would let a third copy lock
// a new file while a second still holds the old one).
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/platform.h"

namespace kivo::platform {
namespace {

int guard_fd = -1;

// The guard name made safe for a file name, with the user's id.
std::string LockFileName(const std::string& name) {
  std::string safe;
  for (const char c : name) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_' || c == '.';
    safe += plain ? c : '_';
  }
  return safe + "-" + std::to_string(static_cast<unsigned long>(getuid())) + ".lock";
}

int OpenLockFile(const std::string& folder, const std::string& name) {
  // O_NOFOLLOW: a link planted in a shared temporary folder is not followed.
  return open((folder + name).c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
}

}  // namespace

bool AcquireInstanceGuard(const std::string& name) {
  if (guard_fd >= 0) return false;  // held already by this process
  const std::string file = LockFileName(name);
  const std::string folder = SystemTempFolder();
  int fd = OpenLockFile(folder, file);
  // A TMPDIR that names a missing folder would otherwise keep the plugin
  // from ever running; "/tmp/" is there on every system.
  if (fd < 0 && folder != "/tmp/") fd = OpenLockFile("/tmp/", file);
  if (fd < 0) return false;  // as a failed mutex create: treated like another copy
  int rc;
  do {
    rc = flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    close(fd);
    return false;
  }
  guard_fd = fd;
  return true;
}

void ReleaseInstanceGuard() {
  if (guard_fd < 0) return;
  close(guard_fd);
  guard_fd = -1;
}

}  // namespace kivo::platform
