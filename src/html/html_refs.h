// The two fixed character-reference tables of the tokenizer and the reading
// of one reference.
#pragma once

#include <array>
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

// The byte each code 0..255 decodes to: control codes 0..31 and the
// non-breaking space 160 give a space, every other code the byte of the same
// value (whatever that byte means in Shift-JIS).
extern const std::array<char, 256> kCodeTable;

// Reads the body of a numeric reference (what lies between "&#" and the
// terminator): at most 3 characters, decimal digits with an optional leading
// "+" or "-", or hexadecimal digits after a leading "x", "X", "$", "0x" or
// "0X". Returns false for anything else, including an empty body.
bool ReadNumericBody(std::string_view body, int* value);

// The code (0..255) that a complete reference decodes to, terminator (";" or
// a space) included, or -1 when it stays as written: a numeric body that does
// not read, or reads outside 0..255 (a negative value, or a decimal above
// 255), and a name not in the table.
int ResolveReference(std::string_view ref);

}  // namespace kivo::html_internal
