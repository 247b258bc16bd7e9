// Reading a stretch of a file in pieces of a fixed buffer, the same loop on
// every system; each system gives the one read call.
#pragma once

#include <cstdint>
#include <string>

namespace kivo::platform {

// Up to `max_bytes` from `offset` into `bytes`, fewer where the file ends
// first. `read_once(at, buffer, want)` reads at most `want` bytes at file
// offset `at` and returns how many it read: 0 at the end of the file,
// negative on an error. False (and `bytes` empty) on an error.
template <class ReadOnce>
bool ReadInPieces(ReadOnce read_once, std::uint64_t offset, std::size_t max_bytes,
                  std::string& bytes) {
  bytes.clear();
  char buffer[16 * 1024];
  while (bytes.size() < max_bytes) {
    std::size_t want = max_bytes - bytes.size();
    if (want > sizeof buffer) want = sizeof buffer;
    const std::int64_t got = read_once(offset + bytes.size(), buffer, want);
    if (got < 0) {
      bytes.clear();
      return false;
    }
    if (got == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  return true;
}

}  // namespace kivo::platform
