// The scan over the page's lines: splits them at "<" and ">" into tag and
// text nodes.
#include "html/html_parser.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "html/html_recent.h"
#include "html/html_store.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kivo {

struct THTMLParser::TStorage {
  explicit TStorage(std::size_t byte_block) : Store(byte_block), Tags(256), Texts(256) {}
  html_internal::THTMLStore Store;
  html_internal::TPool<THTMLTag> Tags;
  html_internal::TPool<THTMLText> Texts;
  html_internal::TRecentNodes Made;
};

THTMLParser::THTMLParser() = default;
THTMLParser::~THTMLParser() = default;

namespace html_internal {

namespace {

// How much input may pass between two calls of the pump. A 64 KiB stretch
// parses in well under a millisecond, far inside what a window may wait.
constexpr std::size_t kPumpBytes = 64 * 1024;

// The first "<" or ">" in [p, e), or e; the bytes from lo to e may be read.
// Both bytes differ only in bit 1 (0x3C, 0x3E), so one comparison of
// (c | 2) with ">" finds either.
const char* FindAngle(const char* p, const char* e, const char* lo) {
#if defined(__SSE2__)
  const __m128i two = _mm_set1_epi8(2);
  const __m128i gt = _mm_set1_epi8('>');
  auto hits = [&](const char* at) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(v, two), gt)));
  };
  while (e - p >= 16) {
    if (const unsigned mask = hits(p)) return p + std::countr_zero(mask);
    p += 16;
  }
  if (p < e && e - lo >= 16) {
    // The last few bytes: look at the 16 that end at e and drop the hits
    // before p, rather than one byte at a time.
    const unsigned mask = hits(e - 16) >> (16 - (e - p));
    return mask != 0 ? p + std::countr_zero(mask) : e;
  }
#else
  (void)lo;
#endif
  while (p < e && (*p | 2) != '>') ++p;
  return p;
}

}  // namespace

// The scanning state of one Parse.
//
// The text or tag being collected is, in general, the open run of the byte
// arena followed by a stretch of the current line not yet copied (from seg_
// to the byte being looked at). Most nodes begin and end on one line; their
// raw text is then looked up straight in the line, and only a node not seen
// recently is copied into the arena. A tag opens only after the text before
// it has been flushed and no tag is collected while text is, so one run
// serves both.
class TParser {
 public:
  explicit TParser(THTMLParser& owner)
      : owner_(owner),
        storage_(*owner.FStorage),
        store_(storage_.Store),
        bytes_(store_.Bytes),
        made_(storage_.Made),
        nodes_(owner.Nodes.FItems) {}

  // bytes: the size of the lines, line breaks counted.
  void Run(std::size_t bytes) {
    // A node per 12 bytes is more than a real page has; the part of the
    // reservation never filled is never touched.
    nodes_.reserve(nodes_.size() + bytes / 12 + 16);
    const std::vector<std::string>& lines = owner_.Lines;
    const std::size_t count = lines.size();
    for (std::size_t i = 0; i < count; ++i) {
      const std::string& line = lines[i];
      const char* p = line.data();
      const char* const end = p + line.size();
      seg_ = p;
      while (p < end) {
        const char* const stop =
            p + std::min<std::size_t>(kPumpBytes - since_pump_, static_cast<std::size_t>(end - p));
        since_pump_ += static_cast<std::size_t>(stop - p);
        ScanStretch(p, stop, line.data());
        p = stop;
        if (since_pump_ >= kPumpBytes) CallPump();
      }
      // The part of the run on this line moves to the arena. A line break
      // inside collected text becomes a line feed; inside a tag the parts
      // join with nothing between them, and text that begins on a new line
      // after a tag gets no leading line feed.
      Keep(end);
      if (!in_tag_ && !bytes_.RunEmpty()) bytes_.Push('\n');
      // A page of many empty lines must reach the pump too.
      if (++since_pump_ >= kPumpBytes) CallPump();
    }
    seg_ = nullptr;
    if (in_tag_ && !bytes_.RunEmpty()) FlushTag(nullptr);
    FlushText(nullptr);
    if (since_pump_ > 0) CallPump();
  }

 private:
  // [p, end): part of the line that begins at line.
  void ScanStretch(const char* p, const char* const end, const char* line) {
    while (p < end) {
      const char* q = FindAngle(p, end, line);
      if (q == end) return;
      if (*q == '<') {
        if (in_tag_) {
          Keep(q);  // a second "<" inside a tag simply disappears
        } else {
          FlushText(q);
          in_tag_ = true;
        }
      } else {
        FlushTag(q);
      }
      seg_ = q + 1;
      p = q + 1;
    }
  }

  // Copies the uncopied stretch [seg_, upto) of the line to the open run.
  void Keep(const char* upto) {
    if (upto != seg_) bytes_.Append(seg_, static_cast<std::size_t>(upto - seg_));
    seg_ = upto;
  }

  // The raw text of the run that ends at upto (nullptr: the run is all in
  // the arena). *copied tells whether it lies in the arena's open run.
  std::string_view RunUpTo(const char* upto, bool* copied) {
    if (upto != nullptr && bytes_.RunEmpty()) {
      *copied = false;
      return std::string_view(seg_, static_cast<std::size_t>(upto - seg_));
    }
    if (upto != nullptr) Keep(upto);
    *copied = true;
    return bytes_.RunView();
  }

  void FlushText(const char* upto) {
    if (in_tag_) return;
    bool copied = false;
    const std::string_view raw = RunUpTo(upto, &copied);
    if (!raw.empty()) Emit(raw, copied, false);
  }

  // A ">" outside a tag makes an empty tag node and leaves the text being
  // collected open: the text around it becomes one node after the tag.
  void FlushTag(const char* upto) {
    bool copied = false;
    std::string_view raw;
    if (in_tag_) {
      raw = RunUpTo(upto, &copied);
      in_tag_ = false;
    } else if (upto != nullptr) {
      Keep(upto);  // the text goes on after the dropped ">"
    }
    Emit(raw, copied, true);
  }

  // Appends the node for raw: a recent one with the same text, or a new one.
  void Emit(std::string_view raw, bool copied, bool tag) {
    const std::uint64_t hash = HashRaw(raw, tag);
    const THTMLNode* node = made_.Find(hash, tag, raw);
    if (node == nullptr) {
      node = Make(hash, raw, copied, tag);
    } else if (copied) {
      bytes_.DropRun();
    }
    nodes_.push_back(node);
  }

  // Kept out of Emit so that the path of a repeat stays short.
  [[gnu::noinline]] const THTMLNode* Make(std::uint64_t hash, std::string_view raw, bool copied,
                                          bool tag) {
    // Closes the run as the raw text of the new node: into the arena if it
    // is still in the line. An empty tag has nothing to keep, and must not
    // close the text run that may be open around it.
    if (!raw.empty()) raw = copied ? bytes_.TakeRun() : bytes_.Copy(raw);
    const THTMLNode* node;
    if (tag) {
      THTMLTag* t = storage_.Tags.Make(1);
      t->Build(store_, raw);
      node = t;
    } else {
      THTMLText* t = storage_.Texts.Make(1);
      t->Build(store_, raw);
      node = t;
    }
    made_.Remember(hash, tag, raw, node);
    return node;
  }

  void CallPump() {
    since_pump_ = 0;
    if (owner_.Pump) owner_.Pump();
  }

  THTMLParser& owner_;
  THTMLParser::TStorage& storage_;
  THTMLStore& store_;
  TByteArena& bytes_;
  TRecentNodes& made_;
  std::vector<const THTMLNode*>& nodes_;
  const char* seg_ = nullptr;  // start of the current line's uncopied stretch
  bool in_tag_ = false;
  std::size_t since_pump_ = 0;
};

}  // namespace html_internal

void THTMLParser::Parse() {
  // Every byte of the page lands in the arena at most once as raw text and
  // at most once more as upper-cased name or decoded text; a first block of
  // that size is one allocation, and the pages of it that stay unused are
  // never touched.
  std::size_t bytes = 0;
  for (const std::string& line : Lines) bytes += line.size() + 1;
  const std::size_t block = 2 * bytes + 64;
  if (!FStorage) {
    FStorage = std::make_unique<TStorage>(block);
  } else {
    FStorage->Store.Bytes.HintNextBlock(block);
  }
  html_internal::TParser(*this).Run(bytes);
}

}  // namespace kivo
