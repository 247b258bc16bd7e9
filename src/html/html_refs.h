// The two fixed character-reference tables of the tokenizer and the reading
// of one reference.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kivo::html_internal {

struct TNamedRef {
  std::string_view name;     // "&amp;": with "&" and ";", compared case-sensitively
  std::string_view numeric;  // "&#38;": what the name stands for
  std::uint8_t code;         // 38: the number in the numeric form
};

// quot, amp, lt, gt, then the 96 HTML 4.01 Latin-1 names from nbsp (160) to
// yuml (255) in code order.
extern const std::array<TNamedRef, 100> kNamedRefs;

// The byte each code 0..127 decodes to: control codes 0..31 give a space,
// every other code the ASCII byte of the same value.
extern const std::array<char, 128> kCodeTable;

// A code from 128 on decodes to the Shift-JIS form of its character, never
// to the lone byte of that value (0xE9, a lead byte, would swallow the
// character after it). At most this many bytes: the shortest reference
// that reads as such a code ("&not;") is that long, so a form always fits
// where its reference stood.
constexpr std::size_t kMaxFormBytes = 5;

// The Shift-JIS form of the character of `code` (128..999): the code read
// as a Unicode character, except 128..159, which are read as the
// windows-1252 byte of that value as browsers do ("&#150;" is the en dash),
// converted as platform::ToShiftJis does (its nearest form or "？" where
// code page 932 lacks it); 160, the non-breaking space, gives a space. A
// form longer than kMaxFormBytes, or none at all, gives "？"; so does a
// code outside 128..999. The forms are made once, at the first call, and
// stay.
std::string_view WideForm(int code);

// Reads the body of a numeric reference (what lies between "&#" and the
// terminator): at most 3 characters, decimal digits with an optional leading
// "+" or "-", or hexadecimal digits after a leading "x", "X", "$", "0x" or
// "0X". Returns false for anything else, including an empty body.
bool ReadNumericBody(std::string_view body, int* value);

// The code (0..999) that a complete reference decodes to, terminator (";"
// or a space) included, or -1 when it stays as written: a numeric body that
// does not read, or reads below 0, and a name not in the table.
int ResolveReference(std::string_view ref);

}  // namespace kivo::html_internal
