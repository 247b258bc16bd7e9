// Text decoding and name upper-casing: the byte work behind the nodes' fields.
#include <bit>
#include <cstdint>
#include <cstring>

#include "html/html_refs.h"
#include "html/html_store.h"
#include "text/bytes.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kivo::html_internal {

namespace {

// Line feeds become spaces and every run of spaces one space. Carriage
// returns and tabs are ordinary bytes. Also tells whether that changed
// anything and whether an "&" is left to decode.
struct TCollapsed {
  std::size_t size;
  bool changed;
  bool amp;
};
// The first space, line feed or "&" in [p, e), or e.
const char* FindSpecial(const char* p, const char* e) {
#if defined(__SSE2__)
  const __m128i space = _mm_set1_epi8(' ');
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i amp = _mm_set1_epi8('&');
  for (; e - p >= 16; p += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, space), _mm_cmpeq_epi8(v, lf)),
                                     _mm_cmpeq_epi8(v, amp));
    if (const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit))) {
      return p + std::countr_zero(mask);
    }
  }
#endif
  while (p < e && *p != ' ' && *p != '\n' && *p != '&') ++p;
  return p;
}

TCollapsed CollapseSpaces(std::string_view raw, char* out) {
  const char* r = raw.data();
  const char* const e = r + raw.size();
  char* w = out;
  bool changed = false, amp = false;
  while (r < e) {
    // Ordinary bytes go over in one piece.
    const char* q = FindSpecial(r, e);
    std::memcpy(w, r, static_cast<std::size_t>(q - r));
    w += q - r;
    if (q == e) break;
    if (*q == '&') {
      amp = true;
      *w++ = '&';
      r = q + 1;
      continue;
    }
    // A run of spaces and line feeds: one space.
    r = q;
    while (r < e && (*r == ' ' || *r == '\n')) {
      changed |= *r == '\n';
      ++r;
    }
    changed |= r - q > 1;
    *w++ = ' ';
  }
  return {static_cast<std::size_t>(w - out), changed, amp};
}

// Decodes the references of [p, p + n) in place and returns the new length.
// A reference runs from an "&" to the first ";" or space; a later "&" before
// that starts it afresh. What decodes becomes one byte (a code below 128)
// or the Shift-JIS form of its character, never longer than the reference,
// and scanning goes on after it, so a decoded "&" never starts another
// reference (one level only). What does not decode stays as written, and no
// byte of it can start a reference either, so scanning simply goes on after
// its terminator.
std::size_t DecodeReferencesInPlace(char* p, std::size_t n) {
  const char* r = p;
  const char* const e = p + n;
  char* w = p;
  auto keep = [&w](const char* from, const char* to) {
    const std::size_t k = static_cast<std::size_t>(to - from);
    if (w != from) std::memmove(w, from, k);
    w += k;
  };
  while (r < e) {
    const char* amp =
        static_cast<const char*>(std::memchr(r, '&', static_cast<std::size_t>(e - r)));
    if (amp == nullptr) {
      keep(r, e);
      break;
    }
    keep(r, amp);
    const char* t = amp + 1;
    while (t < e && *t != '&' && *t != ';' && *t != ' ') ++t;
    if (t == e) {  // never terminated: stays as written
      keep(amp, e);
      break;
    }
    if (*t == '&') {  // restarted at the later "&"
      keep(amp, t);
      r = t;
      continue;
    }
    const int code = ResolveReference(std::string_view(amp, static_cast<std::size_t>(t + 1 - amp)));
    if (code >= 0 && code < static_cast<int>(kCodeTable.size())) {
      *w++ = kCodeTable[static_cast<std::size_t>(code)];
    } else if (code >= 0) {
      const std::string_view form = WideForm(code);
      std::memcpy(w, form.data(), form.size());
      w += form.size();
    } else {
      keep(amp, t + 1);
    }
    r = t + 1;
  }
  return static_cast<std::size_t>(w - p);
}

}  // namespace

std::size_t DecodeText(std::string_view raw, char* out) {
  // Collapsing comes first, so spaces that references decode to are never
  // collapsed ("&nbsp;&nbsp;" stays two spaces).
  const TCollapsed c = CollapseSpaces(raw, out);
  if (c.amp) return DecodeReferencesInPlace(out, c.size);
  return c.changed ? c.size : kUnchanged;
}

namespace {

// Upper-cases eight bytes at once: a byte from "a" to "z" loses 0x20, every
// other byte stays. The range test runs on the low seven bits, so no sum
// carries into the next byte, and a byte with its high bit set is never a
// letter.
std::uint64_t UpperAscii8(std::uint64_t x) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  constexpr std::uint64_t kHigh = kOnes * 0x80;
  const std::uint64_t low7 = x & ~kHigh;
  const std::uint64_t at_least_a = low7 + kOnes * (0x80 - 'a');
  const std::uint64_t above_z = low7 + kOnes * (0x80 - 'z' - 1);
  const std::uint64_t lower = at_least_a & ~above_z & ~x & kHigh;
  return x - (lower >> 2);
}

// The n bytes (1 to 8) at p as a word whose other bytes are zero, laid out
// as memcpy would: two overlapping loads rather than a call for the
// variable length.
std::uint64_t LoadUpTo8(const char* p, std::size_t n) {
  if constexpr (std::endian::native == std::endian::little) {
    if (n >= 4) {
      std::uint32_t lo, hi;
      std::memcpy(&lo, p, 4);
      std::memcpy(&hi, p + n - 4, 4);
      // Bytes n - 4 to 3 arrive twice, equal both times.
      return lo | static_cast<std::uint64_t>(hi) << (8 * (n - 4));
    }
    std::uint64_t x = 0;
    for (std::size_t i = 0; i < n; ++i) {
      x |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
    }
    return x;
  } else {
    unsigned char b[8] = {};
    std::memcpy(b, p, n);
    std::uint64_t x;
    std::memcpy(&x, b, 8);
    return x;
  }
}

// Byte by byte, for names longer than eight bytes.
std::string_view UpperNameSlow(TByteArena& bytes, std::string_view raw) {
  std::size_t i = 0;
  while (i < raw.size() && !(raw[i] >= 'a' && raw[i] <= 'z')) ++i;
  if (i >= raw.size()) return raw;
  char* out = bytes.Reserve(raw.size());
  std::memcpy(out, raw.data(), i);
  for (; i < raw.size(); ++i) {
    out[i] = ascii::Upper(raw[i]);
  }
  bytes.Commit(raw.size());
  return bytes.TakeRun();
}

}  // namespace

std::string_view UpperName(TByteArena& bytes, std::string_view raw) {
  // Names are short almost always ("a", "href", "class"). Every "a" to "z"
  // is upper-cased, also one that is the second byte of a Shift-JIS
  // character: names are matched as bytes, with no knowledge of the code
  // page.
  const std::size_t n = raw.size();
  if (n == 0) return raw;
  if (n > 8) return UpperNameSlow(bytes, raw);
  const std::uint64_t x = LoadUpTo8(raw.data(), n);
  const std::uint64_t up = UpperAscii8(x);
  if (up == x) return raw;
  char* out = bytes.Reserve(8);
  std::memcpy(out, &up, 8);
  bytes.Commit(n);
  return bytes.TakeRun();
}

TParamParts SplitParamAt(std::string_view raw, std::size_t eq) {
  TParamParts parts{raw, raw, {}};
  if (eq == std::string_view::npos) return parts;
  parts.name = raw.substr(0, eq);
  parts.value = raw.substr(eq + 1);
  if (parts.value.size() >= 2 && parts.value.front() == '"' && parts.value.back() == '"') {
    parts.value = parts.value.substr(1, parts.value.size() - 2);
  }
  return parts;
}

TParamParts SplitParam(std::string_view raw) { return SplitParamAt(raw, raw.find('=')); }

}  // namespace kivo::html_internal
