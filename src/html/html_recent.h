// Internal to the tokenizer: the table of recently made nodes, which lets a
// repeated stretch of a page share the node made for its first occurrence.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "html/html_parser.h"

namespace kivo::html_internal {

// Where a node's raw text goes in the table of recent nodes: its length,
// kind, and its first, middle and last eight bytes (fewer for a short one),
// read in constant time however long the text. Two texts that agree there
// but differ elsewhere only compete for one entry; Find compares every byte.
inline std::uint64_t Load64(const char* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  return w;
}
inline std::uint64_t Load32(const char* p) {
  std::uint32_t w;
  std::memcpy(&w, p, 4);
  return w;
}
inline std::uint64_t HashRaw(std::string_view raw, bool tag) {
  const char* p = raw.data();
  const std::size_t n = raw.size();
  std::uint64_t a = 0, b = 0, c = 0;
  if (n >= 8) {
    a = Load64(p);
    b = Load64(p + (n - 8) / 2);
    c = Load64(p + n - 8);
  } else if (n >= 4) {
    a = Load32(p) | Load32(p + n - 4) << 32;
  } else if (n > 0) {
    a = static_cast<unsigned char>(p[0]) | static_cast<unsigned char>(p[n / 2]) << 8 |
        static_cast<unsigned char>(p[n - 1]) << 16;
  }
  // Three independent multiplies, then one fold of the high bits down.
  std::uint64_t h = (a ^ (n * 2 + (tag ? 1 : 0))) * 0x9E3779B97F4A7C15ull;
  h += b * 0xBF58476D1CE4E5B9ull;
  h += c * 0x94D049BB133111EBull;
  return h ^ (h >> 29) ^ (h >> 47);
}

// Whether two raw texts are equal; those up to 32 bytes, the common case,
// without a call.
inline bool SameBytes(std::string_view x, std::string_view y) {
  const std::size_t n = x.size();
  if (n != y.size()) return false;
  const char* a = x.data();
  const char* b = y.data();
  if (n >= 8 && n <= 32) {
    // [0, 8) and [n - 8, n) cover up to 16 bytes; [8, 16) and
    // [n - 16, n - 8) the rest up to 32.
    std::uint64_t diff = (Load64(a) ^ Load64(b)) | (Load64(a + n - 8) ^ Load64(b + n - 8));
    if (n > 16) {
      diff |= (Load64(a + 8) ^ Load64(b + 8)) | (Load64(a + n - 16) ^ Load64(b + n - 16));
    }
    return diff == 0;
  }
  if (n >= 4 && n < 8) {
    return ((Load32(a) ^ Load32(b)) | (Load32(a + n - 4) ^ Load32(b + n - 4))) == 0;
  }
  if (n < 4) {  // bytes 0, n / 2 and n - 1 are all of them
    return n == 0 || (a[0] == b[0] && a[n / 2] == b[n / 2] && a[n - 1] == b[n - 1]);
  }
  return std::memcmp(a, b, n) == 0;
}

// Recently made nodes, found by their raw text. A page repeats the same tags
// and the same indentation thousands of times ("/td", "tr class=...", a line
// break and four spaces); a repeat gets the node already made, so it costs
// neither a new node nor another copy of its bytes. Nodes never change after
// they are made, so sharing one is invisible to a reader of the list.
//
// A fixed direct-mapped table rather than a full index: it stays in the
// processor's cache and never grows; a repeat whose entry was overwritten
// meanwhile merely gets a node of its own.
class TRecentNodes {
 public:
  TRecentNodes() : slots_(kSize) {}

  // The node of that kind whose raw text is raw, if one was made recently.
  const THTMLNode* Find(std::uint64_t hash, bool tag, std::string_view raw) const {
    const TSlot& slot = slots_[hash & (kSize - 1)];
    if (slot.hash != hash || slot.node == nullptr || slot.size_kind != SizeKind(raw, tag)) {
      return nullptr;
    }
    return SameBytes(std::string_view(slot.raw, raw.size()), raw) ? slot.node : nullptr;
  }

  // raw: the node's own raw text, which lives as long as the node.
  void Remember(std::uint64_t hash, bool tag, std::string_view raw, const THTMLNode* node) {
    slots_[hash & (kSize - 1)] = {hash, raw.data(), node, SizeKind(raw, tag)};
  }

 private:
  // The raw text is kept beside the node so that a lookup reads no node.
  struct TSlot {
    std::uint64_t hash = 0;
    const char* raw = nullptr;
    const THTMLNode* node = nullptr;
    std::size_t size_kind = 0;  // SizeKind of the raw text
  };
  static std::size_t SizeKind(std::string_view raw, bool tag) { return raw.size() * 2 + tag; }
  // A power of two. A page's structure repeats a few dozen distinct stretches;
  // 64 KiB of slots keep them all, and stay in a fast cache.
  static constexpr std::size_t kSize = 2048;
  std::vector<TSlot> slots_;
};

}  // namespace kivo::html_internal
