// Conversions between half-width and full-width characters of Shift-JIS
// text. Each walks the text once from the front. A broken character (a lead
// byte with no byte after it that can complete it) is copied once,
// unchanged, like any other byte that begins no double-byte character: the
// tokenizer makes such bytes from references ("&eacute;" gives 0xE9), and
// they are part of the title or the authors.
#include <array>
#include <cstdint>

#include "text/sjis.h"
#include "text/sjis_tables.h"
#include "text/text.h"

namespace kivo {
namespace {

using sjis::AppendCode;
using sjis::CharLength;
using sjis::CodeAt;

// The symbol pair list as a table by half-width byte (0: not in the list).
constexpr std::array<std::uint16_t, 256> MakeSymbolToFull() {
  std::array<std::uint16_t, 256> table{};
  for (const auto& pair : sjis::kSymbolPairs) table[pair.half] = pair.full;
  return table;
}
constexpr auto kSymbolToFull = MakeSymbolToFull();

// Both full-width tables hold only codes with the lead byte 0x81, so a table
// by second byte is enough (0: not in the table).
constexpr std::array<unsigned char, 256> MakeSymbolToHalf() {
  std::array<unsigned char, 256> table{};
  for (const auto& pair : sjis::kSymbolPairs) table[pair.full & 0xFF] = pair.half;
  return table;
}
constexpr auto kSymbolToHalf = MakeSymbolToHalf();

constexpr std::array<unsigned char, 256> MakeNarrowToAscii() {
  std::array<unsigned char, 256> table{};
  for (const auto& pair : sjis::kNarrowSymbols) table[pair.full & 0xFF] = pair.ascii;
  return table;
}
constexpr auto kNarrowToAscii = MakeNarrowToAscii();

constexpr bool AllLead81() {
  for (const auto& pair : sjis::kSymbolPairs)
    if ((pair.full >> 8) != 0x81) return false;
  for (const auto& pair : sjis::kNarrowSymbols)
    if ((pair.full >> 8) != 0x81) return false;
  return true;
}
static_assert(AllLead81(), "the lookup tables above index by second byte under lead byte 0x81");

// Full-width digit or Latin letter to ASCII; 0 for any other code.
char FullAlnumToAscii(std::uint16_t code) {
  if (code >= sjis::kFullDigitZero && code < sjis::kFullDigitZero + 10)
    return static_cast<char>('0' + (code - sjis::kFullDigitZero));
  if (code >= sjis::kFullUpperA && code < sjis::kFullUpperA + 26)
    return static_cast<char>('A' + (code - sjis::kFullUpperA));
  if (code >= sjis::kFullLowerA && code < sjis::kFullLowerA + 26)
    return static_cast<char>('a' + (code - sjis::kFullLowerA));
  return 0;
}

// ASCII digit or Latin letter to full width; 0 for any other byte.
std::uint16_t AsciiAlnumToFull(unsigned char c) {
  if (c >= '0' && c <= '9') return static_cast<std::uint16_t>(sjis::kFullDigitZero + (c - '0'));
  if (c >= 'A' && c <= 'Z') return static_cast<std::uint16_t>(sjis::kFullUpperA + (c - 'A'));
  if (c >= 'a' && c <= 'z') return static_cast<std::uint16_t>(sjis::kFullLowerA + (c - 'a'));
  return 0;
}

// Row of kKatakanaHalf for a full-width hiragana or katakana; -1 otherwise.
int KanaRow(std::uint16_t code) {
  if (code >= sjis::kFirstHiragana && code <= sjis::kLastHiragana)
    return code - sjis::kFirstHiragana;
  if (code >= sjis::kFirstFullKatakana && code < sjis::kFullKatakanaGap)
    return code - sjis::kFirstFullKatakana;
  if (code > sjis::kFullKatakanaGap && code <= sjis::kLastFullKatakana)
    return code - sjis::kFirstFullKatakana - 1;
  return -1;
}

bool IsHalfKana(unsigned char c) { return c >= sjis::kFirstHalfKana && c <= sjis::kLastHalfKana; }
bool TakesVoicedMark(unsigned char c) {  // ｶ-ﾄ, ﾊ-ﾎ: voiced form one code up
  return (c >= sjis::kHalfKa && c <= sjis::kHalfTo) || (c >= sjis::kHalfHa && c <= sjis::kHalfHo);
}
bool TakesSemiVoicedMark(unsigned char c) {  // ﾊ-ﾎ: semi-voiced form two codes up
  return c >= sjis::kHalfHa && c <= sjis::kHalfHo;
}
std::uint16_t FullKana(unsigned char c) { return sjis::kHalfKanaFull[c - sjis::kFirstHalfKana]; }

// The mark byte after position `i`, or 0 when the next byte is no mark.
unsigned char MarkAfter(const std::string& s, std::size_t i) {
  if (i + 1 >= s.size()) return 0;
  const auto next = static_cast<unsigned char>(s[i + 1]);
  return next == sjis::kHalfVoicedMark || next == sjis::kHalfSemiVoicedMark ? next : 0;
}

}  // namespace

std::string HanToZen(const std::string& text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t len = CharLength(text, i);
    const auto c = static_cast<unsigned char>(text[i]);
    if (len == 2) {
      out.append(text, i, 2);
    } else if (sjis::IsLeadByte(c)) {
      // Broken character: copied. What follows it is converted as usual,
      // so a full-width form written next pairs with it ("\xE9 " gives E9
      // 81 40), as the conversion has always read such text.
      out.push_back(static_cast<char>(c));
    } else if (kSymbolToFull[c] != 0) {
      // Before the kana, so that ｰ and the half-width punctuation come from
      // the pair list; a mark after them stays as it is.
      AppendCode(out, kSymbolToFull[c]);
    } else if (c >= 0xA6 && c <= sjis::kLastHalfKana) {
      const std::uint16_t kana = FullKana(c);
      const unsigned char mark = MarkAfter(text, i);
      if (mark == sjis::kHalfVoicedMark && TakesVoicedMark(c)) {
        AppendCode(out, static_cast<std::uint16_t>(kana + 1));
      } else if (mark == sjis::kHalfSemiVoicedMark && TakesSemiVoicedMark(c)) {
        AppendCode(out, static_cast<std::uint16_t>(kana + 2));
      } else if (mark != 0) {
        // No combined form: the kana and a full-width mark, as two
        // characters. This includes ｶ-ﾄ with the semi-voiced mark; adding
        // two to their code, as for ﾊ-ﾎ, would name an unrelated kana (ｶﾟ
        // would read as ｷ), so they are written as カ゜ and so on.
        AppendCode(out, kana);
        AppendCode(
            out, mark == sjis::kHalfVoicedMark ? sjis::kFullVoicedMark : sjis::kFullSemiVoicedMark);
      } else {
        AppendCode(out, kana);
      }
      if (mark != 0) ++i;
    } else if (const std::uint16_t full = AsciiAlnumToFull(c); full != 0) {
      AppendCode(out, full);
    } else {
      // Control characters, 0x7F, 0x80, 0xA0, a mark that follows no kana,
      // 0xFD-0xFF.
      out.push_back(static_cast<char>(c));
    }
    i += len;
  }
  return out;
}

std::string ZenToHan(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t len = CharLength(text, i);
    if (len == 1) {
      // Single bytes, a broken character among them, are copied. The byte
      // after a broken character cannot complete it and is copied as it
      // is, so the result reads back the same way.
      out.push_back(text[i]);
      i += 1;
      continue;
    }
    const std::uint16_t code = CodeAt(text, i);
    if (const int row = KanaRow(code); row >= 0) {
      out.push_back(static_cast<char>(sjis::kKatakanaHalf[row].kana));
      if (sjis::kKatakanaHalf[row].mark != 0)
        out.push_back(static_cast<char>(sjis::kKatakanaHalf[row].mark));
    } else if ((code >> 8) == 0x81 && kSymbolToHalf[code & 0xFF] != 0) {
      out.push_back(static_cast<char>(kSymbolToHalf[code & 0xFF]));
    } else if (const char ascii = FullAlnumToAscii(code); ascii != 0) {
      out.push_back(ascii);
    }
    // Every other double-byte character (kanji, Greek, other symbols) is
    // dropped.
    i += 2;
  }
  return out;
}

std::string NormalizeWidth(const std::string& text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t len = CharLength(text, i);
    const auto c = static_cast<unsigned char>(text[i]);
    if (len == 2) {
      const std::uint16_t code = CodeAt(text, i);
      if ((code >> 8) == 0x81 && kNarrowToAscii[code & 0xFF] != 0) {
        out.push_back(static_cast<char>(kNarrowToAscii[code & 0xFF]));
      } else if (const char ascii = FullAlnumToAscii(code); ascii != 0) {
        out.push_back(ascii);
      } else {
        out.append(text, i, 2);
      }
    } else if (IsHalfKana(c)) {
      std::uint16_t kana = FullKana(c);
      const unsigned char mark = MarkAfter(text, i);
      // A following mark is always absorbed; where the kana has no such
      // form it simply disappears.
      if (mark == sjis::kHalfVoicedMark) {
        if (c == sjis::kHalfU) {
          kana = sjis::kFullVu;
        } else if (TakesVoicedMark(c)) {
          kana = static_cast<std::uint16_t>(kana + 1);
        }
      } else if (mark == sjis::kHalfSemiVoicedMark && TakesSemiVoicedMark(c)) {
        kana = static_cast<std::uint16_t>(kana + 2);
      }
      AppendCode(out, kana);
      if (mark != 0) ++i;
    } else {
      // Every other single byte, a broken character included, and a mark
      // that follows no kana.
      out.push_back(static_cast<char>(c));
    }
    i += len;
  }
  return out;
}

}  // namespace kivo
