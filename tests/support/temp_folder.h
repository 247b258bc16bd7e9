// A fresh folder per test, removed afterwards; whole-file reads and writes
// of raw bytes; the temporary folder pointed at a folder of the test's own.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

#include "platform/platform.h"
#include "support/scratch_folder.h"

namespace kivo::testing {

// The folder of one test.
using TempFolder = ScratchFolder;

// Through the platform seam, so Shift-JIS file names work on any Windows.
// A file that cannot be read reads as "".
inline std::string ReadAll(const std::string& path) {
  std::string bytes;
  if (!platform::ReadFile(path, bytes)) return std::string();
  return bytes;
}

inline void WriteAll(const std::string& path, const std::string& bytes) {
  if (!platform::SaveAtomically(path, bytes)) throw std::runtime_error("cannot write " + path);
}

// The path separator as text.
inline std::string Sep() { return std::string(1, platform::PathSeparator()); }

// Points the temporary folder (GetTempDir) at `folder` for the life of the
// object: "TMPDIR" on POSIX, "temp" on Windows.
class ScopedTempDirEnv {
 public:
  explicit ScopedTempDirEnv(const std::string& folder) {
    const char* old = std::getenv(kName);
    had_ = old != nullptr;
    if (had_) old_ = old;
    Set(folder);
  }
  ~ScopedTempDirEnv() {
    if (had_) {
      Set(old_);
    } else {
      Unset();
    }
  }
  ScopedTempDirEnv(const ScopedTempDirEnv&) = delete;
  ScopedTempDirEnv& operator=(const ScopedTempDirEnv&) = delete;

 private:
#ifdef _WIN32
  static constexpr char kName[] = "temp";
  static void Set(const std::string& v) { _putenv_s(kName, v.c_str()); }
  static void Unset() { _putenv_s(kName, ""); }
#else
  static constexpr char kName[] = "TMPDIR";
  static void Set(const std::string& v) { setenv(kName, v.c_str(), 1); }
  static void Unset() { unsetenv(kName); }
#endif

  bool had_ = false;
  std::string old_;
};

}  // namespace kivo::testing
