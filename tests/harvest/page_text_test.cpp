// Reading a fetched page: which encoding it is in (declaration first, then
// the bytes), and its text in Shift-JIS as lines for the tokenizer.
#include "harvest/page_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harvest/page_encoding.h"
#include "support/temp_folder.h"

namespace kivo {
namespace {

using platform::TEncoding;
using testing::Sep;
using testing::TempFolder;
using testing::WriteAll;

constexpr char kCatUtf8[] =  // "吾輩は猫である"
    "\xe5\x90\xbe\xe8\xbc\xa9\xe3\x81\xaf\xe7\x8c\xab\xe3\x81\xa7\xe3\x81\x82\xe3\x82\x8b";
constexpr char kCatSjis[] = "\x8c\xe1\x94y\x82\xcd\x94L\x82\xc5\x82\xa0\x82\xe9";
constexpr char kCatEucJp[] = "\xb8\xe3\xc7\xda\xa4\xcf\xc7\xad\xa4\xc7\xa4\xa2\xa4\xeb";

TEncoding EncodingOf(const std::string& page) { return DetectPageEncoding(page).encoding; }

TEST(DetectPageEncoding, TheFirstDeclarationBeforeTheBodyDecides) {
  struct Case {
    std::string page;
    TEncoding want;
  };
  const std::string cat_utf8 = kCatUtf8, cat_sjis = kCatSjis;
  for (const Case& c : {
           Case{"<html><head><meta charset=\"utf-8\"></head>", TEncoding::kUtf8},
           Case{"<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">",
                TEncoding::kUtf8},
           // Attributes in another order, single quotes, spaces around "=".
           Case{"<meta content='text/html;charset = euc-jp' http-equiv='content-type'/>",
                TEncoding::kEucJp},
           Case{"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<html>", TEncoding::kUtf8},
           Case{"<meta charset=utf8><meta charset=Shift_JIS>", TEncoding::kUtf8},
           // A declared Shift-JIS page stays Shift-JIS, valid UTF-8 or not.
           Case{"<meta charset=Windows-31J><p>" + cat_utf8, TEncoding::kShiftJis},
           Case{"<meta http-equiv=Content-Type content=\"text/html; charset=x-sjis\">" + cat_utf8,
                TEncoding::kShiftJis},
           // Not a declaration: commented out, after the body, a content
           // without http-equiv, a meta inside a quoted value.
           Case{"<!-- <meta charset=utf-8> --><p>" + cat_sjis, TEncoding::kShiftJis},
           Case{"<body><meta charset=utf-8>" + cat_sjis, TEncoding::kShiftJis},
           Case{"<meta name=x content=\"charset=utf-8\">" + cat_sjis, TEncoding::kShiftJis},
           Case{"<a title=\"<meta charset=utf-8>\">" + cat_sjis, TEncoding::kShiftJis},
           // A name not known settles nothing: the bytes decide.
           Case{"<meta charset=iso-2022-jp>" + cat_utf8, TEncoding::kUtf8},
           Case{"<meta charset=iso-2022-jp>" + cat_sjis, TEncoding::kShiftJis},
       }) {
    SCOPED_TRACE(c.page);
    EXPECT_EQ(EncodingOf(c.page), c.want);
  }
  // A byte-order mark outranks any declaration.
  const TPageEncoding marked = DetectPageEncoding("\xef\xbb\xbf<meta charset=Shift_JIS>");
  EXPECT_EQ(marked, (TPageEncoding{TEncoding::kUtf8, 3}));
  EXPECT_EQ(DetectPageEncoding("<meta charset=utf-8>").mark, 0u);
}

TEST(DetectPageEncoding, WithoutADeclarationOnlyValidUtf8BeyondAsciiIsUtf8) {
  EXPECT_EQ(EncodingOf(std::string("<p>") + kCatUtf8 + "</p>"), TEncoding::kUtf8);
  EXPECT_EQ(EncodingOf("\xf0\x9f\x98\x80"), TEncoding::kUtf8);  // beyond U+FFFF
  EXPECT_EQ(EncodingOf(std::string("<p>") + kCatSjis + "</p>"), TEncoding::kShiftJis);
  EXPECT_EQ(EncodingOf("<html><p>plain ASCII</p></html>"), TEncoding::kShiftJis);
  EXPECT_EQ(EncodingOf(""), TEncoding::kShiftJis);
  // Almost UTF-8: an overlong "/", a surrogate, beyond U+10FFFF, a stray
  // continuation byte, a sequence cut short by the end of the page.
  for (const char* bytes : {"\xc0\xaf", "\xe0\x80\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80",
                            "\xf5\x80\x80\x80", "a\x80", "\xe3\x81"}) {
    SCOPED_TRACE(bytes);
    EXPECT_EQ(EncodingOf(std::string("<p>ok \xc3\xa9</p>") + bytes), TEncoding::kShiftJis);
  }
}

TEST(PageText, ShiftJisStaysByteForByteAndOtherPagesAreConverted) {
  // Shift-JIS, broken bytes included, is never touched.
  const std::string sjis = std::string("<meta charset=Shift_JIS>") + kCatSjis + "\x80\xff\x81";
  EXPECT_EQ(PageTextInShiftJis(sjis), sjis);
  EXPECT_EQ(PageTextInShiftJis("plain\r\n"), "plain\r\n");

  // The mark goes; "é" has no Shift-JIS form and becomes "e".
  EXPECT_EQ(PageTextInShiftJis(std::string("\xef\xbb\xbf<p>") + kCatUtf8 + " Caf\xc3\xa9</p>"),
            std::string("<p>") + kCatSjis + " Cafe</p>");
  EXPECT_EQ(PageTextInShiftJis(std::string("<meta charset=EUC-JP>") + kCatEucJp),
            std::string("<meta charset=EUC-JP>") + kCatSjis);
}

TEST(PageText, LoadsLinesInShiftJis) {
  TempFolder folder{"kivo-page-text-"};
  const std::string file = folder.Path().string() + Sep() + "page.html";
  WriteAll(file, std::string("<meta charset=utf-8>\r\n<p>") + kCatUtf8 + "</p>\n\rlast");
  std::vector<std::string> lines{"stale"};
  ASSERT_TRUE(LoadPageLines(file, lines));
  EXPECT_EQ(lines, (std::vector<std::string>{"<meta charset=utf-8>",
                                             std::string("<p>") + kCatSjis + "</p>", "", "last"}));

  lines = {"stale"};
  EXPECT_FALSE(LoadPageLines(file + ".missing", lines));
  EXPECT_TRUE(lines.empty());
}

}  // namespace
}  // namespace kivo
