#include "html/html_refs.h"

#include <cstring>
#include <string>

#include "platform/encoding.h"
#include "text/bytes.h"

namespace kivo::html_internal {

const std::array<TNamedRef, 100> kNamedRefs = {
    {{"&quot;", "&#34;", 34},     {"&amp;", "&#38;", 38},      {"&lt;", "&#60;", 60},
     {"&gt;", "&#62;", 62},       {"&nbsp;", "&#160;", 160},   {"&iexcl;", "&#161;", 161},
     {"&cent;", "&#162;", 162},   {"&pound;", "&#163;", 163},  {"&curren;", "&#164;", 164},
     {"&yen;", "&#165;", 165},    {"&brvbar;", "&#166;", 166}, {"&sect;", "&#167;", 167},
     {"&uml;", "&#168;", 168},    {"&copy;", "&#169;", 169},   {"&ordf;", "&#170;", 170},
     {"&laquo;", "&#171;", 171},  {"&not;", "&#172;", 172},    {"&shy;", "&#173;", 173},
     {"&reg;", "&#174;", 174},    {"&macr;", "&#175;", 175},   {"&deg;", "&#176;", 176},
     {"&plusmn;", "&#177;", 177}, {"&sup2;", "&#178;", 178},   {"&sup3;", "&#179;", 179},
     {"&acute;", "&#180;", 180},  {"&micro;", "&#181;", 181},  {"&para;", "&#182;", 182},
     {"&middot;", "&#183;", 183}, {"&cedil;", "&#184;", 184},  {"&sup1;", "&#185;", 185},
     {"&ordm;", "&#186;", 186},   {"&raquo;", "&#187;", 187},  {"&frac14;", "&#188;", 188},
     {"&frac12;", "&#189;", 189}, {"&frac34;", "&#190;", 190}, {"&iquest;", "&#191;", 191},
     {"&Agrave;", "&#192;", 192}, {"&Aacute;", "&#193;", 193}, {"&Acirc;", "&#194;", 194},
     {"&Atilde;", "&#195;", 195}, {"&Auml;", "&#196;", 196},   {"&Aring;", "&#197;", 197},
     {"&AElig;", "&#198;", 198},  {"&Ccedil;", "&#199;", 199}, {"&Egrave;", "&#200;", 200},
     {"&Eacute;", "&#201;", 201}, {"&Ecirc;", "&#202;", 202},  {"&Euml;", "&#203;", 203},
     {"&Igrave;", "&#204;", 204}, {"&Iacute;", "&#205;", 205}, {"&Icirc;", "&#206;", 206},
     {"&Iuml;", "&#207;", 207},   {"&ETH;", "&#208;", 208},    {"&Ntilde;", "&#209;", 209},
     {"&Ograve;", "&#210;", 210}, {"&Oacute;", "&#211;", 211}, {"&Ocirc;", "&#212;", 212},
     {"&Otilde;", "&#213;", 213}, {"&Ouml;", "&#214;", 214},   {"&times;", "&#215;", 215},
     {"&Oslash;", "&#216;", 216}, {"&Ugrave;", "&#217;", 217}, {"&Uacute;", "&#218;", 218},
     {"&Ucirc;", "&#219;", 219},  {"&Uuml;", "&#220;", 220},   {"&Yacute;", "&#221;", 221},
     {"&THORN;", "&#222;", 222},  {"&szlig;", "&#223;", 223},  {"&agrave;", "&#224;", 224},
     {"&aacute;", "&#225;", 225}, {"&acirc;", "&#226;", 226},  {"&atilde;", "&#227;", 227},
     {"&auml;", "&#228;", 228},   {"&aring;", "&#229;", 229},  {"&aelig;", "&#230;", 230},
     {"&ccedil;", "&#231;", 231}, {"&egrave;", "&#232;", 232}, {"&eacute;", "&#233;", 233},
     {"&ecirc;", "&#234;", 234},  {"&euml;", "&#235;", 235},   {"&igrave;", "&#236;", 236},
     {"&iacute;", "&#237;", 237}, {"&icirc;", "&#238;", 238},  {"&iuml;", "&#239;", 239},
     {"&eth;", "&#240;", 240},    {"&ntilde;", "&#241;", 241}, {"&ograve;", "&#242;", 242},
     {"&oacute;", "&#243;", 243}, {"&ocirc;", "&#244;", 244},  {"&otilde;", "&#245;", 245},
     {"&ouml;", "&#246;", 246},   {"&divide;", "&#247;", 247}, {"&oslash;", "&#248;", 248},
     {"&ugrave;", "&#249;", 249}, {"&uacute;", "&#250;", 250}, {"&ucirc;", "&#251;", 251},
     {"&uuml;", "&#252;", 252},   {"&yacute;", "&#253;", 253}, {"&thorn;", "&#254;", 254},
     {"&yuml;", "&#255;", 255}}};

namespace {

constexpr std::array<char, 128> MakeCodeTable() {
  std::array<char, 128> t{};
  for (int c = 0; c < 128; ++c) t[c] = c < 32 ? ' ' : static_cast<char>(c);
  return t;
}

constexpr int kFirstWide = 128;
constexpr int kLastWide = 999;  // the most three decimal digits can say

struct TForm {
  std::array<char, kMaxFormBytes> bytes{};
  std::uint8_t size = 0;
};
using TForms = std::array<TForm, kLastWide - kFirstWide + 1>;

TForm MakeForm(int code) {
  std::string source;
  platform::TEncoding from = platform::TEncoding::kUtf8;
  if (code == 160) {
    source = " ";
  } else if (code < 160) {
    source = std::string(1, static_cast<char>(code));
    from = platform::TEncoding::kWindows1252;
  } else {
    // UTF-8 of a code below 0x800: two bytes.
    source = {static_cast<char>(0xC0 | (code >> 6)), static_cast<char>(0x80 | (code & 0x3F))};
  }
  std::string sjis;
  if (!platform::ToShiftJis(source, from, sjis) || sjis.empty() || sjis.size() > kMaxFormBytes) {
    sjis = "\x81\x48";  // "？"
  }
  TForm form;
  std::memcpy(form.bytes.data(), sjis.data(), sjis.size());
  form.size = static_cast<std::uint8_t>(sjis.size());
  return form;
}

// One conversion per code, all at the first reference that needs one: a
// page of Shift-JIS has few such references, and most pages none.
const TForms& Forms() {
  static const TForms forms = [] {
    TForms f;
    for (int code = kFirstWide; code <= kLastWide; ++code) f[code - kFirstWide] = MakeForm(code);
    return f;
  }();
  return forms;
}

// Every digit of s in the given base; false when s is empty or holds
// anything else.
bool ReadDigits(std::string_view s, int base, int* value) {
  if (s.empty()) return false;
  int v = 0;
  for (char c : s) {
    const int d = base == 16 ? ascii::HexValue(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
    if (d < 0) return false;
    v = v * base + d;
  }
  *value = v;
  return true;
}

}  // namespace

const std::array<char, 128> kCodeTable = MakeCodeTable();

std::string_view WideForm(int code) {
  if (code < kFirstWide || code > kLastWide) return "\x81\x48";
  const TForm& form = Forms()[static_cast<std::size_t>(code - kFirstWide)];
  return std::string_view(form.bytes.data(), form.size);
}

bool ReadNumericBody(std::string_view body, int* value) {
  if (body.empty() || body.size() > 3) return false;
  const char first = body[0];
  if (first == 'x' || first == 'X' || first == '$') return ReadDigits(body.substr(1), 16, value);
  if (body.size() > 2 && first == '0' && (body[1] == 'x' || body[1] == 'X')) {
    return ReadDigits(body.substr(2), 16, value);
  }
  if (first == '+' || first == '-') {
    int v = 0;
    if (!ReadDigits(body.substr(1), 10, &v)) return false;
    *value = first == '-' ? -v : v;
    return true;
  }
  return ReadDigits(body, 10, value);
}

int ResolveReference(std::string_view ref) {
  if (ref.size() > 2 && ref[1] == '#') {
    int v = 0;
    if (!ReadNumericBody(ref.substr(2, ref.size() - 3), &v)) return -1;
    return v >= 0 ? v : -1;  // three digits say at most 999
  }
  // Names end in ";"; one ended by a space never matches.
  if (ref.back() != ';') return -1;
  for (const TNamedRef& r : kNamedRefs) {
    if (r.name == ref) return r.code;
  }
  return -1;
}

}  // namespace kivo::html_internal
