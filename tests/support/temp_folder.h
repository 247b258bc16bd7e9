// A fresh folder per test, removed afterwards; whole-file reads and writes
// of raw bytes; the temporary folder pointed at a folder of the test's own.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

#include "platform/platform.h"

namespace kivo::testing {

class TempFolder {
 public:
  explicit TempFolder(const std::string& prefix = "kivo-test-") {
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
      const auto candidate = base / (prefix + std::to_string(random()));
      std::error_code ec;
      if (std::filesystem::create_directory(candidate, ec)) {
        path_ = candidate;
        return;
      }
    }
    throw std::runtime_error("cannot create a temporary folder");
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

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
