#include "harvest/page_encoding.h"

#include <cstdint>
#include <cstring>
#include <string_view>

#include "text/bytes.h"

namespace kivo {
namespace {

using platform::TEncoding;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool IsNameByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

// The encoding a declared name stands for; false for a name not known.
bool EncodingOfName(std::string_view declared, TEncoding* encoding) {
  struct TName {
    std::string_view name;
    TEncoding encoding;
  };
  static constexpr TName kNames[] = {
      {"shift_jis", TEncoding::kShiftJis},
      {"shift-jis", TEncoding::kShiftJis},
      {"sjis", TEncoding::kShiftJis},
      {"x-sjis", TEncoding::kShiftJis},
      {"windows-31j", TEncoding::kShiftJis},
      {"cp932", TEncoding::kShiftJis},
      {"ms932", TEncoding::kShiftJis},
      {"ms_kanji", TEncoding::kShiftJis},
      {"csshiftjis", TEncoding::kShiftJis},
      {"utf-8", TEncoding::kUtf8},
      {"utf8", TEncoding::kUtf8},
      {"euc-jp", TEncoding::kEucJp},
      {"x-euc-jp", TEncoding::kEucJp},
      {"eucjp", TEncoding::kEucJp},
      {"cseucpkdfmtjapanese", TEncoding::kEucJp},
  };
  const std::string_view name = TrimSpaces(declared);
  for (const TName& n : kNames) {
    if (ascii::EqualsNoCase(name, n.name)) {
      *encoding = n.encoding;
      return true;
    }
  }
  return false;
}

// Reads the next attribute of a tag from `i`, as a browser's first look at
// a page does: a name, and after "=" a value in double, single or no
// quotes. False, with `i` past the ">", at the tag's end.
bool NextAttribute(std::string_view s, std::size_t& i, std::string_view& name,
                   std::string_view& value) {
  const std::size_t n = s.size();
  while (i < n && (IsSpace(s[i]) || s[i] == '/')) ++i;
  if (i >= n || s[i] == '>' || (s[i] == '?' && i + 1 < n && s[i + 1] == '>')) {
    i = s.find('>', i);
    i = i == std::string_view::npos ? n : i + 1;
    return false;
  }
  const std::size_t name_start = i;
  while (i < n && !IsSpace(s[i]) && s[i] != '=' && s[i] != '>' && s[i] != '/') ++i;
  name = s.substr(name_start, i - name_start);
  value = {};
  std::size_t j = i;
  while (j < n && IsSpace(s[j])) ++j;
  if (j >= n || s[j] != '=') return true;
  i = j + 1;
  while (i < n && IsSpace(s[i])) ++i;
  if (i < n && (s[i] == '"' || s[i] == '\'')) {
    const char quote = s[i++];
    const std::size_t end = s.find(quote, i);
    value = s.substr(i, end == std::string_view::npos ? n - i : end - i);
    i = end == std::string_view::npos ? n : end + 1;
  } else {
    const std::size_t start = i;
    while (i < n && !IsSpace(s[i]) && s[i] != '>') ++i;
    value = s.substr(start, i - start);
  }
  return true;
}

std::size_t FindNoCase(std::string_view s, std::string_view what, std::size_t from) {
  for (std::size_t k = from; k + what.size() <= s.size(); ++k) {
    if (ascii::EqualsNoCase(s.substr(k, what.size()), what)) return k;
  }
  return std::string_view::npos;
}

// The NAME of "charset=NAME" in a Content-Type value; empty when there is
// none.
std::string_view CharsetOfContent(std::string_view content) {
  constexpr std::string_view kCharset = "charset";
  for (std::size_t k = 0; (k = FindNoCase(content, kCharset, k)) != std::string_view::npos;) {
    std::size_t i = k + kCharset.size();
    k = i;
    while (i < content.size() && IsSpace(content[i])) ++i;
    if (i >= content.size() || content[i] != '=') continue;
    ++i;
    while (i < content.size() && IsSpace(content[i])) ++i;
    if (i < content.size() && (content[i] == '"' || content[i] == '\'')) {
      const std::size_t end = content.find(content[i], i + 1);
      if (end == std::string_view::npos) return {};
      return content.substr(i + 1, end - i - 1);
    }
    const std::size_t start = i;
    while (i < content.size() && !IsSpace(content[i]) && content[i] != ';') ++i;
    return content.substr(start, i - start);
  }
  return {};
}

// The name the first declaration before <body> gives; empty when there is
// none. `found` tells whether there was one at all.
std::string_view DeclaredName(std::string_view s, bool* found) {
  *found = false;
  std::string_view name, value;
  for (std::size_t i = 0; (i = s.find('<', i)) != std::string_view::npos;) {
    const std::string_view rest = s.substr(i);
    if (rest.starts_with("<!--")) {
      const std::size_t end = s.find("-->", i + 4);
      if (end == std::string_view::npos) return {};
      i = end + 3;
      continue;
    }
    if (ascii::StartsWithNoCase(rest, "<?xml")) {
      i += 5;
      while (NextAttribute(s, i, name, value)) {
        if (ascii::EqualsNoCase(name, "encoding")) {
          *found = true;
          return value;
        }
      }
      continue;
    }
    std::size_t j = i + 1;
    while (j < s.size() && IsNameByte(s[j])) ++j;
    const std::string_view tag = s.substr(i + 1, j - i - 1);
    if (ascii::EqualsNoCase(tag, "body")) return {};
    if (!ascii::EqualsNoCase(tag, "meta")) {
      // Another tag, an end tag or a lone "<": its attributes are read
      // only so that a ">" inside a quoted value does not end it.
      i = tag.empty() ? i + 1 : j;
      if (!tag.empty()) {
        while (NextAttribute(s, i, name, value)) {
        }
      }
      continue;
    }
    i = j;
    std::string_view charset, content;
    bool has_charset = false, pragma = false;
    while (NextAttribute(s, i, name, value)) {
      if (ascii::EqualsNoCase(name, "charset") && !has_charset) {
        has_charset = true;
        charset = value;
      } else if (ascii::EqualsNoCase(name, "http-equiv")) {
        pragma = ascii::EqualsNoCase(TrimSpaces(value), "content-type");
      } else if (ascii::EqualsNoCase(name, "content")) {
        content = value;
      }
    }
    if (has_charset) {
      *found = true;
      return charset;
    }
    if (pragma) {
      const std::string_view declared = CharsetOfContent(content);
      if (!declared.empty()) {
        *found = true;
        return declared;
      }
    }
  }
  return {};
}

enum class TBytes { kAscii, kUtf8, kOther };

// Whether `s` is plain ASCII, valid UTF-8 beyond ASCII, or neither. Valid:
// no stray continuation byte, no sequence cut short, no overlong form, no
// surrogate, nothing beyond U+10FFFF.
TBytes KindOfBytes(std::string_view s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const std::size_t n = s.size();
  bool beyond_ascii = false;
  std::size_t i = 0;
  while (i < n) {
    // ASCII, the bulk of any page, eight bytes at a time.
    if (n - i >= 8) {
      std::uint64_t x;
      std::memcpy(&x, p + i, 8);
      if ((x & 0x8080808080808080ull) == 0) {
        i += 8;
        continue;
      }
    }
    const unsigned char c = p[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    beyond_ascii = true;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the second byte's range
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      if (c == 0xE0) low = 0xA0;   // overlong
      if (c == 0xED) high = 0x9F;  // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      if (c == 0xF0) low = 0x90;   // overlong
      if (c == 0xF4) high = 0x8F;  // beyond U+10FFFF
    } else {
      return TBytes::kOther;
    }
    if (n - i < length || p[i + 1] < low || p[i + 1] > high) return TBytes::kOther;
    for (std::size_t k = 2; k < length; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return TBytes::kOther;
    }
    i += length;
  }
  return beyond_ascii ? TBytes::kUtf8 : TBytes::kAscii;
}

}  // namespace

TPageEncoding DetectPageEncoding(std::string_view page) {
  if (page.starts_with("\xEF\xBB\xBF")) return {TEncoding::kUtf8, 3};
  bool declared = false;
  const std::string_view name = DeclaredName(page, &declared);
  TEncoding encoding = TEncoding::kShiftJis;
  if (declared && EncodingOfName(name, &encoding)) return {encoding, 0};
  if (KindOfBytes(page) == TBytes::kUtf8) return {TEncoding::kUtf8, 0};
  return {};
}

}  // namespace kivo
