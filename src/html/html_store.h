// Internal to the tokenizer: the few large allocations that nodes, attributes
// and their bytes live in. A page of several megabytes becomes a few hundred
// thousand nodes; one heap object per node and per string would cost more
// than the page itself, so everything is carved out of big blocks instead.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <type_traits>
#include <vector>

#include "html/html_parser.h"

namespace kivo::html_internal {

// Bytes in large blocks. One run is open at a time at the tail of the current
// block; appending to it keeps it contiguous (moving it to a fresh block when
// the current one is full), and TakeRun closes it and opens the next.
class TByteArena {
 public:
  // block_size: the size of the first block; later ones are at least 64 KiB.
  explicit TByteArena(std::size_t block_size) { NewBlock(std::max<std::size_t>(block_size, 16)); }
  TByteArena(const TByteArena&) = delete;
  TByteArena& operator=(const TByteArena&) = delete;

  void Append(const char* p, std::size_t n) {
    if (static_cast<std::size_t>(end_ - cur_) < n) Grow(n);
    std::memcpy(cur_, p, n);
    cur_ += n;
  }
  void Push(char c) {
    if (cur_ == end_) Grow(1);
    *cur_++ = c;
  }
  bool RunEmpty() const { return cur_ == run_; }
  std::string_view RunView() const {
    return std::string_view(run_, static_cast<std::size_t>(cur_ - run_));
  }
  // Forgets the open run's bytes, for reuse by the next one.
  void DropRun() { cur_ = run_; }
  std::string_view TakeRun() {
    std::string_view v(run_, static_cast<std::size_t>(cur_ - run_));
    run_ = cur_;
    return v;
  }
  // Room for n bytes written directly after the open run; Commit(k) then
  // adds the first k of them to the run.
  char* Reserve(std::size_t n) {
    if (static_cast<std::size_t>(end_ - cur_) < n) Grow(n);
    return cur_;
  }
  void Commit(std::size_t k) { cur_ += k; }
  std::string_view Copy(std::string_view s) {
    Append(s.data(), s.size());
    return TakeRun();
  }
  // The size that the next new block will have at least.
  void HintNextBlock(std::size_t n) { next_size_ = std::max(next_size_, n); }

 private:
  void NewBlock(std::size_t n) {
    // new char[] without () leaves the bytes untouched, so pages of a block
    // that is never filled never become resident.
    blocks_.emplace_back(new char[n]);
    run_ = cur_ = blocks_.back().get();
    end_ = cur_ + n;
  }
  void Grow(std::size_t n) {
    const std::size_t run = static_cast<std::size_t>(cur_ - run_);
    const char* old = run_;
    NewBlock(std::max(next_size_, 2 * (run + n)));
    if (run != 0) std::memcpy(cur_, old, run);
    cur_ += run;
  }

  static constexpr std::size_t kMinBlock = 64 * 1024;
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t next_size_ = kMinBlock;
  char* run_ = nullptr;
  char* cur_ = nullptr;
  char* end_ = nullptr;
};

// Objects in large blocks, never moved once made; a request for n objects
// gets n adjacent ones. Destroys them in reverse order of making.
template <class T>
class TPool {
  static_assert(std::is_nothrow_default_constructible_v<T>);

 public:
  explicit TPool(std::size_t block_items) : block_items_(block_items) {}
  TPool(const TPool&) = delete;
  TPool& operator=(const TPool&) = delete;
  ~TPool() {
    for (auto b = blocks_.rbegin(); b != blocks_.rend(); ++b) {
      for (std::size_t i = b->used; i-- > 0;) b->items[i].~T();
      ::operator delete (static_cast<void*>(b->items), std::align_val_t{alignof(T)});
    }
  }

  // n default-made objects, adjacent.
  T* Make(std::size_t n) {
    if (blocks_.empty() || blocks_.back().cap - blocks_.back().used < n) {
      const std::size_t cap = std::max(block_items_, n);
      void* mem = ::operator new (cap * sizeof(T), std::align_val_t{alignof(T)});
      blocks_.push_back({static_cast<T*>(mem), 0, cap});
    }
    TBlock& b = blocks_.back();
    T* first = b.items + b.used;
    for (std::size_t i = 0; i < n; ++i) new (first + i) T();
    b.used += n;
    return first;
  }

 private:
  struct TBlock {
    T* items;
    std::size_t used;
    std::size_t cap;
  };
  std::size_t block_items_;
  std::vector<TBlock> blocks_;
};

// One attribute's parts as views, before the attributes of a tag are known
// in number and made in the pool.
struct TParamParts {
  std::string_view raw;
  std::string_view name;  // not yet upper-cased
  std::string_view value;
};

// The storage that one owner (a parser, or an object filled on its own)
// gives its nodes.
class THTMLStore {
 public:
  explicit THTMLStore(std::size_t byte_block, std::size_t param_block = 256)
      : Bytes(byte_block), Params(param_block) {}
  TByteArena Bytes;
  TPool<THTMLParam> Params;
  std::vector<TParamParts> Scratch;  // reused by every tag
};

// The part of a tokenizer that reads the attribute text; shared by the tag
// and by a lone attribute. SplitParamAt takes the offset of the first "="
// (npos: none) when the caller has already found it.
TParamParts SplitParam(std::string_view raw);
TParamParts SplitParamAt(std::string_view raw, std::size_t eq);

// Every byte "a".."z" to "A".."Z", whatever stands before it (the byte after
// a Shift-JIS lead byte too); all other bytes as they are. Returns raw itself
// when nothing changes.
std::string_view UpperName(TByteArena& bytes, std::string_view raw);

// Writes the decoded text of raw (line feeds to spaces, runs of spaces to one
// space, character references decoded) to out, which has room for
// raw.size() bytes, and returns its length (never more than raw.size()); or
// returns kUnchanged when the decoded text is raw itself.
inline constexpr std::size_t kUnchanged = static_cast<std::size_t>(-1);
std::size_t DecodeText(std::string_view raw, char* out);

}  // namespace kivo::html_internal
