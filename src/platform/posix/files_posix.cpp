// Files on POSIX. Paths are the bytes the caller gives; nothing is
// converted. Writes that replace a file go through a temporary file in the
// same folder, fsync and rename, so a crash or a full disk leaves either the
// old file or the new one.
#include "platform/posix/files_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/posix/posix_util.h"
#include "text/bytes.h"

namespace kivo::platform {
namespace {

// The characters of a Shift-JIS name: one byte each, or a lead byte and
// the byte after it that completes it.
std::vector<std::string> Characters(const std::string& s) {
  std::vector<std::string> chars;
  for (std::size_t i = 0; i < s.size(); i += sjis::CharLength(s, i)) {
    chars.push_back(s.substr(i, sjis::CharLength(s, i)));
  }
  return chars;
}

bool SameCharacter(const std::string& a, const std::string& b) {
  if (a.size() == 1 && b.size() == 1) return ascii::Lower(a[0]) == ascii::Lower(b[0]);
  return a == b;
}

}  // namespace

namespace posix {

bool WildcardMatch(const std::string& pattern_text, const std::string& name_text) {
  const std::vector<std::string> pattern = Characters(pattern_text);
  const std::vector<std::string> name = Characters(name_text);
  std::size_t p = 0, n = 0;
  std::size_t star = std::string::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == "*") {
      star = p++;
      resume = n;
    } else if (p < pattern.size() && (pattern[p] == "?" || SameCharacter(pattern[p], name[n]))) {
      ++p;
      ++n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == "*") ++p;
  return p == pattern.size();
}

}  // namespace posix

namespace {

// The folder of a path, without the name: "." for a bare name, "/" for a
// name in the root.
std::string FolderOf(const std::string& path) {
  const std::size_t end = FolderPartLength(path, PathDelimiters());
  if (end == 0) return ".";
  if (end == 1) return "/";
  return path.substr(0, end - 1);
}

// Follows a symbolic link so that replacing a linked file replaces its
// target, not the link.
std::string ResolveTarget(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char* real = realpath(path.c_str(), nullptr);
    if (real) {
      std::string resolved = real;
      std::free(real);
      return resolved;
    }
  }
  return path;
}

void SyncFolderOf(const std::string& path) {
  const int fd = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);  // best effort: some file systems refuse it for folders
  close(fd);
}

// Opens a fresh temporary file beside `target` with the target's
// permission bits (or the usual ones for a new file).
int OpenTemporaryBeside(const std::string& target, std::string& temp_name) {
  struct stat st;
  const bool exists = stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp_name = posix::TemporaryNameBeside(target);
    const int fd = open(temp_name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      if (exists) fchmod(fd, st.st_mode & 07777);
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  return -1;
}

enum class Replaced { kDone, kNoTemporary, kFailed };

// Writes the temporary file completely, flushes it and renames it over the
// target; removes it on any failure. `fill` writes the content to the fd.
// kNoTemporary: no temporary file could be made, nothing was touched.
template <typename Fill>
Replaced TryReplaceThroughTemporary(const std::string& target, Fill fill) {
  std::string temp_name;
  const int fd = OpenTemporaryBeside(target, temp_name);
  if (fd < 0) return Replaced::kNoTemporary;
  bool ok = fill(fd) && fsync(fd) == 0;
  if (close(fd) != 0) ok = false;
  if (ok && rename(temp_name.c_str(), target.c_str()) != 0) ok = false;
  if (!ok) {
    unlink(temp_name.c_str());
    return Replaced::kFailed;
  }
  SyncFolderOf(target);
  return Replaced::kDone;
}

template <typename Fill>
bool ReplaceThroughTemporary(const std::string& path, Fill fill) {
  return TryReplaceThroughTemporary(ResolveTarget(path), fill) == Replaced::kDone;
}

// Rewrites `target` where it stands. The growth is reserved before a byte
// changes, so a full disk fails with the old file intact; only an error in
// the middle of the write itself can leave it half new. A file created here
// is removed again on failure.
bool WriteInPlace(const std::string& target, const std::string& bytes) {
  bool created = false;
  int fd = open(target.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT) {
    fd = open(target.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    created = fd >= 0;
  }
  if (fd < 0) return false;
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  const off_t old_size = ok ? st.st_size : 0;
  const auto new_size = static_cast<off_t>(bytes.size());
  if (ok && new_size > old_size) {
    const int rc = posix_fallocate(fd, old_size, new_size - old_size);
    // File systems that cannot reserve space say so; the write then finds
    // out for itself.
    if (rc != 0 && rc != EOPNOTSUPP && rc != EINVAL) {
      ok = false;
      [[maybe_unused]] const int undo = ftruncate(fd, old_size);
    }
  }
  if (ok) {
    ok = posix::WriteAll(fd, bytes.data(), bytes.size()) && ftruncate(fd, new_size) == 0 &&
         fsync(fd) == 0;
  }
  if (close(fd) != 0) ok = false;
  if (!ok && created) unlink(target.c_str());
  return ok;
}

}  // namespace

char PathSeparator() { return '/'; }

std::string_view PathDelimiters() { return "/"; }

bool FileExists(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FolderExists(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::int64_t FileSize(const std::string& path) {
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

std::vector<std::string> FindFiles(const std::string& pattern) {
  std::vector<std::string> names;
  const std::string folder = FolderOf(pattern);
  std::string mask = pattern.substr(FolderPartLength(pattern, PathDelimiters()));
  if (mask.empty()) return names;
  if (mask == "*.*") mask = "*";
  DIR* dir = opendir(folder.c_str());
  if (!dir) return names;
  const std::string prefix = folder == "/" ? "/" : folder + "/";
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (!posix::WildcardMatch(mask, name)) continue;
    if (FileExists(prefix + name)) names.push_back(name);
  }
  closedir(dir);
  return names;
}

bool DeleteFile(const std::string& path) {
  if (!FileExists(path)) return false;
  return unlink(path.c_str()) == 0;
}

bool CopyFileReplace(const std::string& from, const std::string& to) {
  const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st;
  if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(in);
    return false;
  }
  const bool ok = ReplaceThroughTemporary(to, [in](int out) {
    char buffer[64 * 1024];
    while (true) {
      const ssize_t got = posix::ReadRetry(in, buffer, sizeof buffer);
      if (got < 0) return false;
      if (got == 0) return true;
      if (!posix::WriteAll(out, buffer, static_cast<std::size_t>(got))) return false;
    }
  });
  close(in);
  return ok;
}

bool CreateFolder(const std::string& path) {
  return !path.empty() && mkdir(path.c_str(), 0777) == 0;
}

bool ReadFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
    bytes.reserve(static_cast<std::size_t>(st.st_size));
  }
  char buffer[64 * 1024];
  bool ok = true;
  while (true) {
    const ssize_t got = posix::ReadRetry(fd, buffer, sizeof buffer);
    if (got < 0) {
      ok = false;
      break;
    }
    if (got == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  close(fd);
  if (!ok) bytes.clear();
  return ok;
}

bool LoadLines(const std::string& path, std::vector<std::string>& lines) {
  lines.clear();
  std::string bytes;
  if (!ReadFile(path, bytes)) return false;
  std::size_t i = 0;
  const std::size_t n = bytes.size();
  while (i < n) {
    std::size_t j = i;
    while (j < n && bytes[j] != '\r' && bytes[j] != '\n') ++j;
    lines.push_back(bytes.substr(i, j - i));
    if (j < n && bytes[j] == '\r' && j + 1 < n && bytes[j + 1] == '\n') ++j;
    i = j + 1;
  }
  return true;
}

bool SaveAtomically(const std::string& path, const std::string& bytes) {
  if (path.empty()) return false;
  return ReplaceThroughTemporary(
      path, [&bytes](int fd) { return posix::WriteAll(fd, bytes.data(), bytes.size()); });
}

namespace posix {

bool SaveAtomicallyOrInPlace(const std::string& path, const std::string& bytes) {
  if (path.empty()) return false;
  const std::string target = ResolveTarget(path);
  const Replaced replaced = TryReplaceThroughTemporary(
      target, [&bytes](int fd) { return posix::WriteAll(fd, bytes.data(), bytes.size()); });
  if (replaced == Replaced::kNoTemporary) return WriteInPlace(target, bytes);
  return replaced == Replaced::kDone;
}

}  // namespace posix

}  // namespace kivo::platform
