// Runs every text helper on arbitrary bytes and checks what must hold for any
// input: matches only on whole characters, broken characters copied once (or,
// in file names, dropped), results that carry no forbidden characters,
// conversions that settle after one pass, and agreement with plain (slow)
// readings of the same rules.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "text/text.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    // A message a human can find in the crash report; abort for libFuzzer.
    std::fprintf(stderr, "invariant failed: %s\n", what);
    std::abort();
  }
}

bool Lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Character starts by a forward walk, independent of the library's own.
std::vector<bool> Starts(const std::string& s) {
  std::vector<bool> start(s.size() + 1, false);
  for (std::size_t i = 0; i < s.size();) {
    start[i] = true;
    const auto c = static_cast<unsigned char>(s[i]);
    const bool pair = Lead(c) && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) >= 0x40 &&
                      static_cast<unsigned char>(s[i + 1]) <= 0xFC;
    i += pair ? 2 : 1;
  }
  start[s.size()] = true;
  return start;
}

// True when a lead byte stands alone (at the end or before a byte that cannot
// complete it).
bool HasBrokenCharacter(const std::string& s) {
  const std::vector<bool> start = Starts(s);
  for (std::size_t i = 0; i < s.size(); ++i)
    if (start[i] && Lead(static_cast<unsigned char>(s[i])) && start[i + 1]) return true;
  return false;
}

// Single-byte characters of `s` that satisfy `bad`.
template <typename Bad>
bool HasSingleByte(const std::string& s, Bad bad) {
  const std::vector<bool> start = Starts(s);
  for (std::size_t i = 0; i < s.size(); ++i)
    if (start[i] && start[i + 1] && bad(static_cast<unsigned char>(s[i]))) return true;
  return false;
}

std::string ReplaceAllByHand(const std::string& text, const std::string& pattern,
                             const std::string& replacement) {
  if (pattern.empty()) return text;
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t end = i + pattern.size();
    if (!kivo::IsSecondByte(text, i) && text.compare(i, pattern.size(), pattern) == 0 &&
        (end == text.size() || !kivo::IsSecondByte(text, end))) {
      out += replacement;
      i = end;
    } else {
      out.push_back(text[i++]);
    }
  }
  return out;
}

void CheckSearch(const std::string& text, const std::string& pattern,
                 const std::string& replacement) {
  const std::vector<bool> start = Starts(text);
  for (std::size_t i = 0; i < text.size(); ++i)
    Check(kivo::IsSecondByte(text, i) == !start[i], "IsSecondByte agrees with a forward walk");
  bool threw = false;
  try {
    kivo::IsSecondByte(text, text.size());
  } catch (const std::out_of_range&) {
    threw = true;
  }
  Check(threw, "IsSecondByte throws past the end");

  const std::string replaced = kivo::ReplaceAll(text, pattern, replacement);
  const std::string deleted = kivo::ReplaceAll(text, pattern, "");
  Check(deleted.size() <= text.size(), "deleting never lengthens");
  Check(kivo::ReplaceAll(text, pattern, pattern) == text, "replacing by itself is no change");
  Check(kivo::ReplaceAll(text, "", replacement) == text, "empty pattern is no change");
  Check(kivo::ContainsText(text, pattern) == (!pattern.empty() && deleted != text),
        "ContainsText agrees with ReplaceAll");
  if (text.size() <= 512) {
    Check(replaced == ReplaceAllByHand(text, pattern, replacement),
          "ReplaceAll agrees with the plain reading");
  }
}

// The text cut at its broken characters: the pieces between them and the
// broken bytes themselves, in order.
struct Split {
  std::vector<std::string> pieces;  // one more than `broken`
  std::string broken;
};
Split SplitAtBrokenCharacters(const std::string& s) {
  const std::vector<bool> start = Starts(s);
  Split split{{std::string()}, std::string()};
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (start[i] && start[i + 1] && Lead(static_cast<unsigned char>(s[i]))) {
      split.broken.push_back(s[i]);
      split.pieces.emplace_back();
    } else {
      split.pieces.back().push_back(s[i]);
    }
  }
  return split;
}

// A conversion copies each broken character once, unchanged, and converts
// the text on either side of it as if it stood alone.
template <typename Convert>
bool CopiesBrokenCharacters(const std::string& text, const std::string& result, Convert convert) {
  const Split split = SplitAtBrokenCharacters(text);
  std::string expected = convert(split.pieces[0]);
  for (std::size_t k = 0; k < split.broken.size(); ++k) {
    expected.push_back(split.broken[k]);
    expected += convert(split.pieces[k + 1]);
  }
  return result == expected;
}

void CheckWidths(const std::string& text) {
  const bool whole = !HasBrokenCharacter(text);
  const std::string zen = kivo::HanToZen(text);
  Check(CopiesBrokenCharacters(text, zen, kivo::HanToZen), "HanToZen copies broken characters");
  if (whole) {
    // A broken character kept pairs with what is written after it, so these
    // hold for whole text only.
    Check(!HasBrokenCharacter(zen), "HanToZen leaves no broken character");
    Check(!HasSingleByte(
              zen,
              [](unsigned char c) { return (c >= 0x20 && c <= 0x7E) || (c >= 0xA1 && c <= 0xDD); }),
          "HanToZen leaves no ASCII or half-width kana");
  }

  const std::string han = kivo::ZenToHan(text);
  Check(CopiesBrokenCharacters(text, han, kivo::ZenToHan), "ZenToHan copies broken characters");
  std::size_t leads = 0;
  for (char c : han) leads += Lead(static_cast<unsigned char>(c)) ? 1 : 0;
  Check(leads == SplitAtBrokenCharacters(text).broken.size(),
        "ZenToHan leaves no lead byte but the broken characters");
  Check(han.size() <= text.size(), "ZenToHan never lengthens");
  Check(kivo::ZenToHan(han) == han, "ZenToHan settles after one pass");

  const std::string normal = kivo::NormalizeWidth(text);
  Check(CopiesBrokenCharacters(text, normal, kivo::NormalizeWidth),
        "NormalizeWidth copies broken characters");
  Check(SplitAtBrokenCharacters(normal).broken == SplitAtBrokenCharacters(text).broken,
        "NormalizeWidth leaves no broken character but the input's");
  Check(!HasSingleByte(normal, [](unsigned char c) { return c >= 0xA1 && c <= 0xDD; }),
        "NormalizeWidth leaves no half-width kana");
  Check(kivo::NormalizeWidth(normal) == normal, "NormalizeWidth settles after one pass");
}

void CheckTrims(const std::string& text) {
  const std::string trimmed = kivo::TrimZen(text);
  Check(text.find(trimmed) != std::string::npos, "TrimZen result is part of the input");
  if (!trimmed.empty()) {
    Check(static_cast<unsigned char>(trimmed.front()) > 0x20, "TrimZen front");
    Check(static_cast<unsigned char>(trimmed.back()) > 0x20, "TrimZen back");
  }
  // A second pass can only find more when a control character stopped the
  // first pass in front of a full-width space still at an end.
  const bool wide_front = trimmed.size() >= 2 && trimmed.compare(0, 2, "\x81\x40") == 0;
  const bool wide_back = trimmed.size() >= 2 &&
                         trimmed.compare(trimmed.size() - 2, 2, "\x81\x40") == 0 &&
                         !kivo::IsSecondByte(trimmed, trimmed.size() - 2);
  if (!wide_front && !wide_back) Check(kivo::TrimZen(trimmed) == trimmed, "TrimZen idempotent");

  const std::string blanks = kivo::TrimBlanks(text);
  Check(kivo::TrimBlanks(blanks) == blanks, "TrimBlanks idempotent");
  Check(kivo::TrimZen(blanks) == trimmed, "TrimZen starts with TrimBlanks");
}

void CheckFileName(const std::string& text) {
  const std::string safe = kivo::SafeFileName(text);
  Check(!HasSingleByte(safe,
                       [](unsigned char c) {
                         return c == '\\' || c == '/' || c == ':' || c == ',' || c == ';' ||
                                c == '*' || c == '?' || c == '"' || c == '<' || c == '>' ||
                                c == '|';
                       }),
        "SafeFileName leaves no forbidden character at a character start");
  for (char c : safe) Check(c != '/', "no separator byte at all");
  Check(safe.size() <= 2 * text.size(), "SafeFileName length");
  Check(kivo::SafeFileName(safe) == safe, "SafeFileName idempotent");
  Check(!HasBrokenCharacter(safe), "SafeFileName leaves no broken character");
  // The plain reading: eleven replacements, one after the other, on the text
  // without its broken characters (removing one moves no boundary, as the
  // byte after it cannot be a second byte).
  std::string chained;
  const std::vector<bool> start = Starts(text);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!(start[i] && start[i + 1] && Lead(static_cast<unsigned char>(text[i]))))
      chained.push_back(text[i]);
  }
  const char* const pairs[][2] = {
      {"\\", "\x81\x8F"}, {"/", "\x81\x5E"}, {":", "\x81\x46"}, {",", "\x81\x43"},
      {";", "\x81\x47"},  {"*", "\x81\x96"}, {"?", "\x81\x48"}, {"\"", "\x81\x68"},
      {"<", "\x81\x83"},  {">", "\x81\x84"}, {"|", "\x81\x62"},
  };
  for (const auto& pair : pairs) chained = kivo::ReplaceAll(chained, pair[0], pair[1]);
  Check(safe == chained, "SafeFileName agrees with eleven ReplaceAll calls");
}

void CheckNumbers(const std::string& text) {
  int value = 0;
  if (kivo::TryParseInt(text, value)) {
    int again = 0;
    Check(kivo::TryParseInt(std::to_string(value), again) && again == value, "decimal round trip");
    Check(text.find('\0') == std::string::npos, "no NUL in a number");
    if (text.find_first_of("$xX") == std::string::npos)
      Check(std::strtoll(text.c_str(), nullptr, 10) == value, "agrees with strtoll");
  } else {
    Check(kivo::ParseIntOr(text, -77) == -77, "fallback on failure");
  }

  const std::string check = kivo::EanCheckDigit(text);
  if (!check.empty()) {
    Check(check.size() == 1 && check[0] >= '0' && check[0] <= '9', "one digit");
    int sum = check[0] - '0';
    for (int i = 0; i < 12; ++i) sum += (text[i] - '0') * (i % 2 == 0 ? 1 : 3);
    Check(sum % 10 == 0, "check digit completes the sum");
  }
  const std::string isbn = kivo::Isbn10To13(text);
  if (isbn != text && !isbn.empty()) {
    Check(isbn.size() == 13 && isbn.compare(0, 3, "978") == 0, "ISBN-13 shape");
    Check(kivo::EanCheckDigit(isbn) == isbn.substr(12), "ISBN-13 check digit");
  }
  const std::string stripped = kivo::StripIsbnHyphens(text);
  Check(stripped == text || stripped == kivo::ReplaceAll(text, "-", ""), "hyphens only");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  const std::string all(reinterpret_cast<const char*>(data), size);
  // The first two bytes choose where the text ends and the pattern begins;
  // the rest of the input after the pattern is the replacement.
  std::string text = all;
  std::string pattern;
  std::string replacement;
  if (size >= 2) {
    const std::size_t body = size - 2;
    const std::size_t pattern_length = static_cast<unsigned char>(all[0]) % 8;
    const std::size_t replacement_length = static_cast<unsigned char>(all[1]) % 8;
    const std::size_t tail = pattern_length + replacement_length;
    if (tail <= body) {
      text = all.substr(2, body - tail);
      pattern = all.substr(2 + body - tail, pattern_length);
      replacement = all.substr(2 + body - replacement_length);
    }
  }
  CheckSearch(text, pattern, replacement);
  CheckWidths(text);
  CheckTrims(text);
  CheckFileName(text);
  CheckNumbers(text);
  // Conversions chained as the detail analysis chains them.
  const std::string title = kivo::NormalizeWidth(kivo::TrimZen(kivo::ReplaceAll(
      kivo::TrimZen(kivo::ReplaceAll(kivo::HanToZen(text), "\x81\x69", "\x81\x40")), "\x81\x6A",
      "\x81\x40")));
  CheckFileName(title);
  return 0;
}
