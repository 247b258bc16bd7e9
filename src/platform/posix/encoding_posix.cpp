// ToShiftJis with iconv: the input decoded to UTF-32 a stretch at a time,
// each stretch encoded to CP932. A character CP932 lacks is encoded again
// alone with "CP932//TRANSLIT" under the C.UTF-8 locale, set for this
// thread only around that call: glibc transliterates by the locale of the
// calling thread, and the user's own locale would make the catalogue depend
// on it (the C locale knows no "é" -> "e", ja_JP.UTF-8 and en_US.UTF-8 do).
#include <errno.h>
#include <iconv.h>
#include <locale.h>

#include <bit>
#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/encoding.h"
#include "platform/encoding_rules.h"

namespace kivo::platform {
namespace {

using encoding_internal::Counterpart;
using encoding_internal::kUnknown;

constexpr const char* kUtf32 = std::endian::native == std::endian::little ? "UTF-32LE" : "UTF-32BE";
constexpr std::string_view kUnknownBytes = "\x81\x48";

class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  // One iconv call: its result, and errno's value when it failed (else 0).
  int Convert(char** in, std::size_t* in_left, char** out, std::size_t* out_left) {
    const std::size_t r = iconv(cd_, in, in_left, out, out_left);
    return r == static_cast<std::size_t>(-1) ? errno : 0;
  }
  // Back to the initial state, whatever an earlier conversion left.
  void Reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

 private:
  iconv_t cd_;
};

const char* IconvName(TEncoding from) {
  switch (from) {
    case TEncoding::kUtf8:
      return "UTF-8";
    case TEncoding::kEucJp:
      return "EUC-JP";
    case TEncoding::kWindows1252:
      return "CP1252";
    case TEncoding::kShiftJis:
      break;
  }
  return "CP932";
}

// The converters of the calling thread, each opened at its first use and
// kept: opening one costs more than converting a title (the tokenizer
// converts its references one character at a time).
struct TConverters {
  std::optional<Iconv> decoders[4];  // by TEncoding
  std::optional<Iconv> exact;        // UTF-32 to CP932
  std::optional<Iconv> translit;     // the same, transliterating
};
thread_local TConverters converters;

Iconv& Converter(std::optional<Iconv>& slot, const char* to, const char* from) {
  if (!slot) slot.emplace(to, from);
  if (slot->ok()) slot->Reset();
  return *slot;
}

// The C.UTF-8 locale, made once; (locale_t)0 where the system lacks it.
locale_t TransliterationLocale() {
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  return locale;
}

// Appends the nearest form of `c`, a character CP932 lacks, or "？".
void AppendNearest(char32_t c, std::string& out) {
  const std::size_t before = out.size();
  const locale_t locale = TransliterationLocale();
  if (c != kUnknown && locale != static_cast<locale_t>(0)) {
    Iconv& translit = Converter(converters.translit, "CP932//TRANSLIT", kUtf32);
    if (translit.ok()) {
      const locale_t previous = uselocale(locale);
      char* in = reinterpret_cast<char*>(&c);
      std::size_t in_left = sizeof c;
      char buffer[64];
      char* w = buffer;
      std::size_t w_left = sizeof buffer;
      if (translit.Convert(&in, &in_left, &w, &w_left) == 0) {
        out.append(buffer, static_cast<std::size_t>(w - buffer));
      }
      uselocale(previous);
    }
  }
  // Nothing, or glibc's own stand-in for "no transliteration".
  const std::string_view got(out.data() + before, out.size() - before);
  if (got.empty() || got == "?") {
    out.resize(before);
    out += kUnknownBytes;
  }
}

// Appends the CP932 form of `codes` (changed in place to their
// counterparts) to `out`.
void Encode(Iconv& exact, char32_t* codes, std::size_t count, std::string& out) {
  for (std::size_t i = 0; i < count; ++i) codes[i] = Counterpart(codes[i]);
  char* in = reinterpret_cast<char*>(codes);
  std::size_t in_left = count * sizeof(char32_t);
  while (in_left > 0) {
    char buffer[8192];  // at most two bytes a character
    char* w = buffer;
    std::size_t w_left = sizeof buffer;
    const int error = exact.Convert(&in, &in_left, &w, &w_left);
    out.append(buffer, static_cast<std::size_t>(w - buffer));
    if (error == 0 || error == E2BIG) continue;
    // A character CP932 lacks (EILSEQ), or one iconv refuses otherwise.
    char32_t c;
    std::memcpy(&c, in, sizeof c);
    AppendNearest(c, out);
    in += sizeof c;
    in_left -= sizeof c;
  }
}

}  // namespace

bool ToShiftJis(std::string_view bytes, TEncoding from, std::string& out) {
  if (from == TEncoding::kShiftJis) {
    out.assign(bytes);
    return true;
  }
  Iconv& decoder = Converter(converters.decoders[static_cast<int>(from)], kUtf32, IconvName(from));
  Iconv& exact = Converter(converters.exact, "CP932", kUtf32);
  if (!decoder.ok() || !exact.ok()) return false;

  std::string result;
  result.reserve(bytes.size());
  char* in = const_cast<char*>(bytes.data());  // iconv's signature; never written
  std::size_t in_left = bytes.size();
  while (in_left > 0) {
    char32_t codes[4096];
    char* w = reinterpret_cast<char*>(codes);
    std::size_t w_left = sizeof codes;
    const int error = decoder.Convert(&in, &in_left, &w, &w_left);
    Encode(exact, codes, (sizeof codes - w_left) / sizeof(char32_t), result);
    if (error == 0 || error == E2BIG) continue;
    if (error != EILSEQ && error != EINVAL) return false;
    // A broken sequence: one "？" for its first byte and, in UTF-8, the
    // continuation bytes after it. EINVAL: cut short by the end.
    result += kUnknownBytes;
    ++in;
    --in_left;
    if (from == TEncoding::kUtf8) {
      while (in_left > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80) {
        ++in;
        --in_left;
      }
    }
  }
  encoding_internal::KeepShiftJis(result);
  out = std::move(result);
  return true;
}

}  // namespace kivo::platform
