// The single-instance guard on POSIX: an exclusive flock on a lock file in
// every folder a run writes, so that two starts that share any of them (the
// host folder, whatever their temporary folders are; the temporary folder,
// whatever their host folders are) never both run. The lock belongs to the
// open file, so the system drops it when the process dies in any way; the
// files themselves are left in place (removing one would let a third copy
// lock a new file while a second still holds the old one).
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace kivo::platform {
namespace {

bool guard_held = false;
std::vector<int> guard_fds;

// The guard name made safe for a file name.
std::string SafeName(const std::string& name) {
  std::string safe;
  for (const char c : name) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_' || c == '.';
    safe += plain ? c : '_';
  }
  return safe;
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

// A folder with the sticky bit is shared by users who may not touch each
// other's files (/tmp): there another user's file cannot be opened with
// O_CREAT (protected_regular), and one user could block everyone by
// planting the file, so each user locks a file of their own. Anywhere else
// every user who can write the folder shares one file, which is opened for
// reading only, so that the creator's umask is all that decides who else
// can open it.
int OpenLockFile(const std::string& folder, const std::string& name) {
  struct stat st;
  if (stat(folder.c_str(), &st) != 0) return -1;
  // O_NOFOLLOW: a link planted in a shared folder is not followed.
  if (st.st_mode & S_ISVTX) {
    const std::string own = name + "-" + std::to_string(static_cast<unsigned long>(getuid()));
    return open(Join(folder, own + ".lock").c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC,
                0600);
  }
  return open(Join(folder, name + ".lock").c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC,
              0666);
}

// True when the lock file could not be made because this process cannot
// write the folder at all: the run cannot write there either, so the folder
// needs no guard.
bool FolderIsNotWritable(const std::string& folder, int error) {
  if (error == ENOENT || error == ENOTDIR || error == EROFS) return true;
  return error == EACCES && access(folder.c_str(), W_OK | X_OK) != 0;
}

bool SameFile(int a, int b) {
  struct stat sa, sb;
  return fstat(a, &sa) == 0 && fstat(b, &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

void CloseAll(std::vector<int>& fds) {
  for (const int fd : fds) close(fd);
  fds.clear();
}

}  // namespace

bool AcquireInstanceGuard(const std::string& name, const std::vector<std::string>& folders) {
  if (guard_held) return false;  // held already by this process
  const std::string safe = SafeName(name);
  std::vector<int> fds;
  for (const std::string& folder : folders) {
    const int fd = OpenLockFile(folder, safe);
    if (fd < 0) {
      if (FolderIsNotWritable(folder, errno)) continue;
      CloseAll(fds);
      return false;  // as a failed mutex create: treated like another copy
    }
    // The same folder named twice ("/h/p/.." and "/h/"): a second lock on
    // the same file through another descriptor would refuse ourselves.
    bool seen = false;
    for (const int held : fds) seen = seen || SameFile(held, fd);
    if (seen) {
      close(fd);
      continue;
    }
    fds.push_back(fd);
    int rc;
    do {
      rc = flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
      CloseAll(fds);
      return false;
    }
  }
  guard_fds = std::move(fds);
  guard_held = true;
  return true;
}

void ReleaseInstanceGuard() {
  CloseAll(guard_fds);
  guard_held = false;
}

}  // namespace kivo::platform
