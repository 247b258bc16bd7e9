// A deliberately plain tokenizer that follows the rules one byte at a time
// with std::string copies, erasing and replacing in place: slow, and easy to
// check by reading. The tests and the fuzz target compare the real tokenizer
// against it. It shares no code with the real one, not even the reference
// tables; only the system's conversion to Shift-JIS, which both use for
// codes from 128 on.
#pragma once

#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "html/html_parser.h"
#include "platform/encoding.h"

namespace kivo::reference {

struct Param {
  std::string raw, name, value;
  bool operator==(const Param&) const = default;
};

struct Node {
  bool is_tag = false;
  std::string raw;
  std::string name;  // tags
  std::vector<Param> params;
  std::string text;  // texts
  bool operator==(const Node&) const = default;
};

// Every "a".."z" up, also the second byte of a Shift-JIS character.
inline std::string Upper(const std::string& s) {
  std::string out;
  for (char c : s) out += c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
  return out;
}

inline Param MakeParam(const std::string& raw) {
  Param p;
  p.raw = raw;
  std::string name_part = raw;
  std::size_t eq = raw.find('=');
  if (eq != std::string::npos) {
    p.value = raw.substr(eq + 1);
    name_part = raw.substr(0, eq);
    if (p.value.size() >= 2 && p.value[0] == '"' && p.value[p.value.size() - 1] == '"') {
      p.value = p.value.substr(1, p.value.size() - 2);
    }
  }
  p.name = Upper(name_part);
  return p;
}

inline Node MakeTag(const std::string& raw) {
  Node n;
  n.is_tag = true;
  n.raw = raw;
  std::string t = raw;
  std::string word;
  while (!t.empty() && t[0] != ' ') {
    word += t[0];
    t.erase(0, 1);
  }
  n.name = Upper(word);
  while (!t.empty()) {
    std::string attr;
    bool quoted = false;
    while (!t.empty()) {
      char c = t[0];
      if (c == ' ' && !quoted) break;
      if (c == '"') quoted = !quoted;
      attr += c;
      t.erase(0, 1);
    }
    if (!t.empty() && t[0] == ' ') t.erase(0, 1);
    if (!attr.empty()) n.params.push_back(MakeParam(attr));
  }
  return n;
}

// The names of codes 160..255, in code order.
inline const char kLatin1Names[] =
    "nbsp iexcl cent pound curren yen brvbar sect uml copy ordf laquo not shy reg macr deg "
    "plusmn sup2 sup3 acute micro para middot cedil sup1 ordm raquo frac14 frac12 frac34 iquest "
    "Agrave Aacute Acirc Atilde Auml Aring AElig Ccedil Egrave Eacute Ecirc Euml Igrave Iacute "
    "Icirc Iuml ETH Ntilde Ograve Oacute Ocirc Otilde Ouml times Oslash Ugrave Uacute Ucirc Uuml "
    "Yacute THORN szlig agrave aacute acirc atilde auml aring aelig ccedil egrave eacute ecirc "
    "euml igrave iacute icirc iuml eth ntilde ograve oacute ocirc otilde ouml divide oslash "
    "ugrave uacute ucirc uuml yacute thorn yuml";

// (name form, numeric form) pairs in table order.
inline std::vector<std::pair<std::string, std::string>> NamedTable() {
  std::vector<std::pair<std::string, std::string>> t = {
      {"&quot;", "&#34;"}, {"&amp;", "&#38;"}, {"&lt;", "&#60;"}, {"&gt;", "&#62;"}};
  std::istringstream names(kLatin1Names);
  std::string name;
  for (int code = 160; names >> name; ++code) {
    t.push_back({"&" + name + ";", "&#" + std::to_string(code) + ";"});
  }
  return t;
}

// What a code decodes to: below 128 the byte (a space for a control code),
// the non-breaking space a space, and from 128 on the system's Shift-JIS
// form of the character (128..159 read as windows-1252), "？" when that
// is empty or longer than five bytes.
inline std::string CodeForm(long code) {
  if (code < 32 || code == 160) return " ";
  if (code < 128) return std::string(1, static_cast<char>(code));
  std::string source;
  platform::TEncoding from = platform::TEncoding::kUtf8;
  if (code < 160) {
    source = std::string(1, static_cast<char>(code));
    from = platform::TEncoding::kWindows1252;
  } else {
    source += static_cast<char>(0xC0 | (code >> 6));
    source += static_cast<char>(0x80 | (code & 0x3F));
  }
  std::string form;
  if (!platform::ToShiftJis(source, from, form) || form.empty() || form.size() > 5) {
    form = "\x81\x48";
  }
  return form;
}

inline bool ReadNumber(const std::string& body, long* value) {
  if (body.empty() || body.size() > 3) return false;
  std::string digits = body;
  int base = 10;
  long sign = 1;
  if (body[0] == 'x' || body[0] == 'X' || body[0] == '$') {
    base = 16;
    digits = body.substr(1);
  } else if (body.size() == 3 && body[0] == '0' && (body[1] == 'x' || body[1] == 'X')) {
    base = 16;
    digits = body.substr(2);
  } else if (body[0] == '+' || body[0] == '-') {
    sign = body[0] == '-' ? -1 : 1;
    digits = body.substr(1);
  }
  if (digits.empty()) return false;
  for (char c : digits) {
    bool ok = base == 16 ? std::string("0123456789abcdefABCDEF").find(c) != std::string::npos
                         : (c >= '0' && c <= '9');
    if (!ok) return false;
  }
  *value = sign * std::strtol(digits.c_str(), nullptr, base);
  return true;
}

inline std::string DecodeText(const std::string& raw) {
  std::string s = raw;
  for (char& c : s) {
    if (c == '\n') c = ' ';
  }
  for (std::size_t at; (at = s.find("  ")) != std::string::npos;) s.erase(at, 1);

  static const auto table = NamedTable();
  bool open = false;
  std::size_t start = 0;
  std::string ref;
  std::size_t i = 0;
  while (i < s.size()) {
    char c = s[i];
    if (c == '&') {
      open = true;
      start = i;
      ref = "&";
      ++i;
      continue;
    }
    if (!open) {
      ++i;
      continue;
    }
    ref += c;
    if (c != ';' && c != ' ') {
      ++i;
      continue;
    }
    open = false;
    if (ref.size() > 2 && ref[1] == '#') {
      long v = 0;
      if (ReadNumber(ref.substr(2, ref.size() - 3), &v) && v >= 0) {
        const std::string form = CodeForm(v);
        s.replace(start, ref.size(), form);
        i = start + form.size();
      } else {
        i = i + 1;
      }
    } else {
      bool found = false;
      for (const auto& [name, numeric] : table) {
        if (ref == name) {
          s.replace(start, ref.size(), numeric);
          i = start;
          found = true;
          break;
        }
      }
      if (!found) i = start + 1;
    }
  }
  return s;
}

inline Node MakeText(const std::string& raw) {
  Node n;
  n.raw = raw;
  n.text = DecodeText(raw);
  return n;
}

inline std::vector<Node> Tokenize(const std::vector<std::string>& lines) {
  std::vector<Node> nodes;
  std::string text, tag;
  bool in_tag = false;
  auto flush_text = [&] {
    if (!in_tag && !text.empty()) {
      nodes.push_back(MakeText(text));
      text.clear();
    }
  };
  auto flush_tag = [&] {
    in_tag = false;
    nodes.push_back(MakeTag(tag));
    tag.clear();
  };
  for (const std::string& line : lines) {
    for (char c : line) {
      if (c == '<') {
        flush_text();
        in_tag = true;
      } else if (c == '>') {
        flush_tag();
      } else if (in_tag) {
        tag += c;
      } else {
        text += c;
      }
    }
    if (!in_tag && !text.empty()) text += '\n';
  }
  if (in_tag && !tag.empty()) flush_tag();
  if (!in_tag && !text.empty()) flush_text();
  return nodes;
}

// The real parser's nodes in the same shape.
inline std::vector<Node> Snapshot(const THTMLParser& parser) {
  std::vector<Node> out;
  for (std::size_t i = 0; i < parser.Nodes.size(); ++i) {
    Node n;
    if (const THTMLTag* t = parser.Nodes[i]->AsTag()) {
      n.is_tag = true;
      n.raw = std::string(t->Raw);
      n.name = std::string(t->Name);
      for (const THTMLParam& p : t->Params) {
        n.params.push_back({std::string(p.Raw), std::string(p.Name), std::string(p.Value)});
      }
    } else if (const THTMLText* x = parser.Nodes[i]->AsText()) {
      n.raw = std::string(x->Raw);
      n.text = std::string(x->Text);
    }
    out.push_back(std::move(n));
  }
  return out;
}

// Splits bytes into lines at "\n" (a "\r" before it goes too), as a page
// file is loaded.
inline std::vector<std::string> SplitLines(std::string_view bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t nl = bytes.find('\n', start);
    std::size_t stop = nl == std::string_view::npos ? bytes.size() : nl;
    std::size_t cut = (stop > start && bytes[stop - 1] == '\r') ? stop - 1 : stop;
    lines.emplace_back(bytes.substr(start, cut - start));
    if (nl == std::string_view::npos) break;
    start = nl + 1;
  }
  return lines;
}

}  // namespace kivo::reference
