#include "platform/ini_text.h"

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "text/bytes.h"

namespace kivo::platform::ini {
namespace {

// True when byte `i` of `s` (before `end`) begins a double-byte character: a
// lead byte with a byte before `end` that can complete it. "=", "[", ";"
// and the blanks cannot complete one, so a lead byte before one leaves it
// visible.
bool PairAt(const std::string& s, std::size_t i, std::size_t end) {
  return sjis::CharLength(std::string_view(s).substr(0, end), i) == 2;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

// Case-insensitive for ASCII letters at character starts only: the second
// byte of a Shift-JIS character (0x40 to 0xFC) may look like a letter and
// must match exactly, or two different kana would compare equal.
bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (PairAt(a, i, a.size())) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (ascii::Lower(a[i]) != ascii::Lower(b[i])) {
      return false;
    }
  }
  return true;
}

std::string Trim(const std::string& s, std::size_t begin, std::size_t end) {
  while (begin < end && IsBlank(s[begin])) ++begin;
  while (end > begin && IsBlank(s[end - 1])) --end;
  return s.substr(begin, end - begin);
}

std::string Trim(const std::string& s) { return Trim(s, 0, s.size()); }

// Position of `wanted` (an ASCII byte) in [begin, end), skipping the second
// bytes of Shift-JIS characters; npos when absent.
std::size_t FindByte(const std::string& s, std::size_t begin, std::size_t end, char wanted) {
  for (std::size_t i = begin; i < end; ++i) {
    if (s[i] == wanted) return i;
    if (PairAt(s, i, end)) ++i;
  }
  return std::string::npos;
}

struct Line {
  std::size_t begin;  // first byte of the line
  std::size_t end;    // one past its last byte, before the terminator
  std::size_t next;   // first byte of the following line
  bool terminated;    // a line ending follows
};

std::vector<Line> SplitLines(const std::string& text) {
  std::vector<Line> lines;
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    std::size_t j = i;
    while (j < n && text[j] != '\r' && text[j] != '\n') ++j;
    Line line{i, j, j, false};
    if (j < n) {
      line.terminated = true;
      line.next = (text[j] == '\r' && j + 1 < n && text[j + 1] == '\n') ? j + 2 : j + 1;
    }
    lines.push_back(line);
    i = line.next;
  }
  return lines;
}

// The section name when the line is a section header.
std::optional<std::string> SectionName(const std::string& text, const Line& line) {
  std::size_t i = line.begin;
  while (i < line.end && IsBlank(text[i])) ++i;
  if (i >= line.end || text[i] != '[') return std::nullopt;
  const std::size_t close = FindByte(text, i + 1, line.end, ']');
  if (close == std::string::npos) return std::nullopt;
  return Trim(text, i + 1, close);
}

// Position of the "=" of a key line whose key is `key`, or npos.
std::size_t KeyEquals(const std::string& text, const Line& line, const std::string& key) {
  const std::size_t eq = FindByte(text, line.begin, line.end, '=');
  if (eq == std::string::npos) return eq;
  return SameName(Trim(text, line.begin, eq), key) ? eq : std::string::npos;
}

bool IsEmptyLine(const std::string& text, const Line& line) {
  for (std::size_t i = line.begin; i < line.end; ++i) {
    if (!IsBlank(text[i])) return false;
  }
  return true;
}

std::string LineEnding(const std::string& text) {
  const std::size_t pos = text.find_first_of("\r\n");
  if (pos == std::string::npos) return "\r\n";
  if (text[pos] == '\n') return "\n";
  return (pos + 1 < text.size() && text[pos + 1] == '\n') ? "\r\n" : "\r";
}

// Index of the first section header matching `section`, or lines.size().
std::size_t FindSection(const std::string& text, const std::vector<Line>& lines,
                        const std::string& section) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const auto name = SectionName(text, lines[i]);
    if (name && SameName(*name, section)) return i;
  }
  return lines.size();
}

}  // namespace

std::string Read(const std::string& text, const std::string& section, const std::string& key) {
  const std::string wanted_section = Trim(section);
  const std::string wanted_key = Trim(key);
  const std::vector<Line> lines = SplitLines(text);
  for (std::size_t i = FindSection(text, lines, wanted_section) + 1; i < lines.size(); ++i) {
    if (SectionName(text, lines[i])) break;
    const std::size_t eq = KeyEquals(text, lines[i], wanted_key);
    if (eq == std::string::npos) continue;
    std::string value = Trim(text, eq + 1, lines[i].end);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return value;
  }
  return std::string();
}

bool EndsInLoneLeadByte(const std::string& section) {
  const std::string name = Trim(section);
  std::size_t last = 0;  // where the last character begins
  for (std::size_t i = 0; i < name.size(); i += sjis::CharLength(name, i)) last = i;
  return !name.empty() && sjis::IsLeadByte(static_cast<unsigned char>(name[last])) &&
         sjis::CharLength(name, last) == 1;
}

bool CanWrite(const std::string& section, const std::string& key, const std::string& value) {
  const auto has_break = [](const std::string& s) {
    return s.find_first_of("\r\n") != std::string::npos;
  };
  if (has_break(section) || has_break(key) || has_break(value)) return false;
  const std::string trimmed_key = Trim(key);
  if (Trim(section).empty() || trimmed_key.empty()) return false;
  if (FindByte(section, 0, section.size(), ']') != std::string::npos) return false;
  if (EndsInLoneLeadByte(section)) return false;
  if (FindByte(key, 0, key.size(), '=') != std::string::npos) return false;
  if (trimmed_key[0] == '[') return false;
  return true;
}

std::string Write(const std::string& text, const std::string& section, const std::string& key,
                  const std::string& value) {
  const std::string wanted_section = Trim(section);
  const std::string wanted_key = Trim(key);
  const std::string eol = LineEnding(text);
  const std::vector<Line> lines = SplitLines(text);
  const std::size_t header = FindSection(text, lines, wanted_section);

  if (header == lines.size()) {
    // A new section at the end, after a line ending for an unterminated
    // last line.
    std::string out = text;
    if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += eol;
    out += "[" + wanted_section + "]" + eol + wanted_key + "=" + value + eol;
    return out;
  }

  std::size_t last_filled = header;
  for (std::size_t i = header + 1; i < lines.size(); ++i) {
    if (SectionName(text, lines[i])) break;
    const std::size_t eq = KeyEquals(text, lines[i], wanted_key);
    if (eq != std::string::npos) {
      // Keep the key as the file spells it; replace only what follows "=".
      return text.substr(0, eq + 1) + value + text.substr(lines[i].end);
    }
    if (!IsEmptyLine(text, lines[i])) last_filled = i;
  }

  const Line& after = lines[last_filled];
  const std::string entry = wanted_key + "=" + value;
  if (after.terminated) {
    return text.substr(0, after.next) + entry + eol + text.substr(after.next);
  }
  // The section's last line ends the text without a line ending; the file
  // keeps ending without one.
  return text + eol + entry;
}

}  // namespace kivo::platform::ini
