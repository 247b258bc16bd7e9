// Which encoding a fetched page is in. The analyses read Shift-JIS; a page
// the shop sends in another encoding is converted first (page_text.h), and
// a Shift-JIS page, the usual case, is left byte for byte as it is.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/encoding.h"

namespace kivo {

struct TPageEncoding {
  platform::TEncoding encoding = platform::TEncoding::kShiftJis;
  // Bytes at the start that are a byte-order mark, not text.
  std::size_t mark = 0;

  bool operator==(const TPageEncoding&) const = default;
};

// Decides a page's encoding from its bytes; the first rule that applies
// wins:
//
// 1. A UTF-8 byte-order mark (EF BB BF) at the start: UTF-8.
// 2. The page's own declaration, the first one before the first <body tag:
//    <meta charset=NAME>, <meta http-equiv="Content-Type"
//    content="...; charset=NAME">, or an XML declaration <?xml ...
//    encoding="NAME"?>. Tag and attribute names are matched without regard
//    to case, values with double, single or no quotes; comments are
//    skipped. NAME, without regard to case:
//      Shift_JIS, Shift-JIS, SJIS, x-sjis, Windows-31J, CP932, MS932,
//      MS_Kanji, csShiftJIS: Shift-JIS;
//      UTF-8, utf8: UTF-8;
//      EUC-JP, x-euc-jp, eucjp, csEUCPkdFmtJapanese: EUC-JP.
//    A declaration of another name settles nothing and rule 3 decides.
// 3. The bytes: text that is valid UTF-8 throughout and holds at least one
//    character beyond ASCII is UTF-8 (Shift-JIS Japanese text almost never
//    is: its hiragana and katakana begin with 0x82 and 0x83, which cannot
//    begin a UTF-8 character).
// 4. Anything else, plain ASCII included, is Shift-JIS.
//
// So a page that declares Shift-JIS stays Shift-JIS even where its bytes
// happen to be valid UTF-8. The HTTP header's charset is not seen: the
// download helper keeps only the body.
TPageEncoding DetectPageEncoding(std::string_view page);

}  // namespace kivo
