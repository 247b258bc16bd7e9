// A sink that refuses a body past a size cap. Pages and cover images are
// far smaller; the cap only keeps a hostile or broken server from filling
// the disk within the time limit.
#pragma once

#include <cstddef>
#include <cstdint>

#include "download.h"

namespace kivo::fetch {

inline constexpr std::uint64_t kMaxBodyBytes = 256ull * 1024 * 1024;

class CappedSink : public BodySink {
 public:
  CappedSink(BodySink& inner, std::uint64_t limit) : inner_(inner), limit_(limit) {}
  bool Write(const char* data, std::size_t size) override {
    if (size > limit_ - written_) {
      too_large_ = true;
      return false;
    }
    written_ += size;
    return inner_.Write(data, size);
  }
  // True once a piece was refused for the cap.
  bool too_large() const { return too_large_; }

 private:
  BodySink& inner_;
  std::uint64_t limit_;
  std::uint64_t written_ = 0;
  bool too_large_ = false;
};

}  // namespace kivo::fetch
