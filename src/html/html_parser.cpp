// The scan over the page's lines: splits them at "<" and ">" into tag and
// text nodes.
#include "html/html_parser.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "html/html_store.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kivo {

struct THTMLParser::TStorage {
  explicit TStorage(std::size_t byte_block) : Store(byte_block), Tags(1024), Texts(1024) {}
  html_internal::THTMLStore Store;
  html_internal::TPool<THTMLTag> Tags;
  html_internal::TPool<THTMLText> Texts;
};

THTMLParser::THTMLParser() = default;
THTMLParser::~THTMLParser() = default;

namespace html_internal {

namespace {

// How much input may pass between two calls of the pump. A 64 KiB stretch
// parses in well under a millisecond, far inside what a window may wait.
constexpr std::size_t kPumpBytes = 64 * 1024;

// The first "<" or ">" in [p, e), or e. Both bytes differ only in bit 1
// (0x3C, 0x3E), so one comparison of (c | 2) with ">" finds either.
const char* FindAngle(const char* p, const char* e) {
#if defined(__SSE2__)
  const __m128i two = _mm_set1_epi8(2);
  const __m128i gt = _mm_set1_epi8('>');
  while (e - p >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const unsigned mask =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(v, two), gt)));
    if (mask != 0) return p + std::countr_zero(mask);
    p += 16;
  }
#endif
  while (p < e && (*p | 2) != '>') ++p;
  return p;
}

}  // namespace

// The scanning state of one Parse. The text or the tag being collected is
// always the open run of the byte arena: a tag opens only after the text
// before it has been flushed, and a tag is never collected while text is,
// so one run serves both.
class TParser {
 public:
  explicit TParser(THTMLParser& owner)
      : owner_(owner), store_(owner.FStorage->Store), bytes_(store_.Bytes) {}

  void Run() {
    const std::vector<std::string>& lines = owner_.Lines;
    const std::size_t count = lines.size();
    for (std::size_t i = 0; i < count; ++i) {
      const std::string& line = lines[i];
      const char* p = line.data();
      const char* const end = p + line.size();
      while (p < end) {
        const char* const stop = p + std::min<std::size_t>(kPumpBytes - since_pump_,
                                                            static_cast<std::size_t>(end - p));
        since_pump_ += static_cast<std::size_t>(stop - p);
        ScanStretch(p, stop);
        p = stop;
        if (since_pump_ >= kPumpBytes) CallPump();
      }
      // A line break inside collected text becomes a line feed; inside a tag
      // the parts join with nothing between them, and text that begins on a
      // new line after a tag gets no leading line feed.
      if (!in_tag_ && !bytes_.RunEmpty()) bytes_.Push('\n');
      // A page of many empty lines must reach the pump too.
      if (++since_pump_ >= kPumpBytes) CallPump();
    }
    if (in_tag_ && !bytes_.RunEmpty()) FlushTag();
    FlushText();
    if (since_pump_ > 0) CallPump();
  }

 private:
  void ScanStretch(const char* p, const char* const end) {
    while (p < end) {
      const char* q = FindAngle(p, end);
      bytes_.Append(p, static_cast<std::size_t>(q - p));
      if (q == end) return;
      if (*q == '<') {
        FlushText();
        in_tag_ = true;  // a second "<" inside a tag simply disappears
      } else {
        FlushTag();
      }
      p = q + 1;
    }
  }

  void FlushText() {
    if (in_tag_ || bytes_.RunEmpty()) return;
    THTMLText* text = Texts().Make(1);
    text->Build(store_, bytes_.TakeRun());
    owner_.Nodes.FItems.push_back(text);
  }

  // A ">" outside a tag makes an empty tag node and leaves the text being
  // collected open: the text around it becomes one node after the tag.
  void FlushTag() {
    THTMLTag* tag = Tags().Make(1);
    if (in_tag_) {
      tag->Build(store_, bytes_.TakeRun());
    } else {
      tag->Build(store_, std::string_view());
    }
    in_tag_ = false;
    owner_.Nodes.FItems.push_back(tag);
  }

  void CallPump() {
    since_pump_ = 0;
    if (owner_.Pump) owner_.Pump();
  }

  TPool<THTMLTag>& Tags() { return owner_.FStorage->Tags; }
  TPool<THTMLText>& Texts() { return owner_.FStorage->Texts; }

  THTMLParser& owner_;
  THTMLStore& store_;
  TByteArena& bytes_;
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
  html_internal::TParser(*this).Run();
}

}  // namespace kivo
