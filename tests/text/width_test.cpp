// HanToZen, ZenToHan and NormalizeWidth: the edge cases by operation, the
// whole half-width katakana range with and without marks, every symbol pair
// both ways, and bytes that must pass through untouched.
#include <gtest/gtest.h>

#include <string>

#include "text/text.h"

namespace kivo {
namespace {

std::string Byte(int c) { return std::string(1, static_cast<char>(c)); }

const std::string kVoiced = "\x81\x4A";      // ゛
const std::string kSemiVoiced = "\x81\x4B";  // ゜
const std::string kSo = "\x83\x5C";          // ソ
const std::string kHyo = "\x95\x5C";         // 表
const std::string kPo = "\x83\x7C";          // ポ

// Full-width counterparts of the half-width bytes 0xA1 to 0xDD, two bytes
// each: 。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノ
// ハヒフヘホマミムメモヤユヨラリルレロワン
const std::string kHalfKanaFull =
    "\x81\x42\x81\x75\x81\x76\x81\x41\x81\x45\x83\x92\x83\x40\x83\x42\x83\x44\x83\x46"
    "\x83\x48\x83\x83\x83\x85\x83\x87\x83\x62\x81\x5B\x83\x41\x83\x43\x83\x45\x83\x47"
    "\x83\x49\x83\x4A\x83\x4C\x83\x4E\x83\x50\x83\x52\x83\x54\x83\x56\x83\x58\x83\x5A"
    "\x83\x5C\x83\x5E\x83\x60\x83\x63\x83\x65\x83\x67\x83\x69\x83\x6A\x83\x6B\x83\x6C"
    "\x83\x6D\x83\x6E\x83\x71\x83\x74\x83\x77\x83\x7A\x83\x7D\x83\x7E\x83\x80\x83\x81"
    "\x83\x82\x83\x84\x83\x86\x83\x88\x83\x89\x83\x8A\x83\x8B\x83\x8C\x83\x8D\x83\x8F"
    "\x83\x93";
std::string FullOf(int half) { return kHalfKanaFull.substr(2 * (half - 0xA1), 2); }

// ガギグゲゴザジズゼゾダヂヅデド, バビブベボ, パピプペポ.
const std::string kVoicedKaToDo =
    "\x83\x4B\x83\x4D\x83\x4F\x83\x51\x83\x53\x83\x55\x83\x57\x83\x59\x83\x5B\x83\x5D"
    "\x83\x5F\x83\x61\x83\x64\x83\x66\x83\x68";
const std::string kVoicedHaToHo = "\x83\x6F\x83\x72\x83\x75\x83\x78\x83\x7B";
const std::string kSemiVoicedHaToHo = "\x83\x70\x83\x73\x83\x76\x83\x79\x83\x7C";

bool IsKaToTo(int c) { return c >= 0xB6 && c <= 0xC4; }
bool IsHaToHo(int c) { return c >= 0xCA && c <= 0xCE; }
// ｡｢｣､･ｰ: half-width bytes in the symbol pair list.
bool IsHalfPunctuation(int c) { return (c >= 0xA1 && c <= 0xA5) || c == 0xB0; }

// The symbol pair list, written out on its own.
struct Pair {
  const char* half;
  const char* full;
};
const Pair kPairs[] = {
    {"!", "\x81\x49"},    {"\"", "\x81\x68"},   {"#", "\x81\x94"},    {"$", "\x81\x90"},
    {"%", "\x81\x93"},    {"&", "\x81\x95"},    {"'", "\x81\x66"},    {"(", "\x81\x69"},
    {")", "\x81\x6A"},    {"=", "\x81\x81"},    {"`", "\x81\x65"},    {"|", "\x81\x62"},
    {"-", "\x81\x7C"},    {"^", "\x81\x4F"},    {"\\", "\x81\x8F"},   {"~", "\x81\x60"},
    {"{", "\x81\x6F"},    {"@", "\x81\x97"},    {"[", "\x81\x6D"},    {"+", "\x81\x7B"},
    {"*", "\x81\x96"},    {"}", "\x81\x70"},    {";", "\x81\x47"},    {":", "\x81\x46"},
    {"]", "\x81\x6E"},    {"<", "\x81\x83"},    {">", "\x81\x84"},    {"?", "\x81\x48"},
    {"_", "\x81\x51"},    {"\xA4", "\x81\x41"}, {"\xA1", "\x81\x42"}, {"\xB0", "\x81\x5B"},
    {"\xA5", "\x81\x45"}, {",", "\x81\x43"},    {".", "\x81\x44"},    {"/", "\x81\x5E"},
    {" ", "\x81\x40"},    {"\xA2", "\x81\x75"}, {"\xA3", "\x81\x76"},
};

// ---------------------------------------------------------------- HanToZen

TEST(TextHanToZen, KanaWithMarks) {
  EXPECT_EQ(HanToZen("\xB6\xDE\xB7\xDE"), "\x83\x4B\x83\x4D");  // ｶﾞｷﾞ -> ガギ
  EXPECT_EQ(HanToZen("\xCA\xDF"), "\x83\x70");                  // ﾊﾟ -> パ
  EXPECT_EQ(HanToZen("\xB1\xDE"), "\x83\x41" + kVoiced);        // ｱﾞ -> ア゛
  EXPECT_EQ(HanToZen("\xB3\xDE"), "\x83\x45" + kVoiced);        // ｳﾞ -> ウ゛, not ヴ
}

TEST(TextHanToZen, SemiVoicedMarkAfterKaToTo) {
  // No kana of ｶ-ﾄ has a semi-voiced form: the kana and ゜, as for the other
  // kana, and never the neighbour two codes up (ｶﾟ is not キ).
  EXPECT_EQ(HanToZen("\xB6\xDF"), "\x83\x4A" + kSemiVoiced);  // カ゜
  EXPECT_EQ(HanToZen("\xC4\xDF"), "\x83\x67" + kSemiVoiced);  // ト゜
}

TEST(TextHanToZen, AsciiBecomesFullWidth) {
  // "Ab1 z9Z" -> "Ａｂ１　ｚ９Ｚ"
  EXPECT_EQ(HanToZen("Ab1 z9Z"), "\x82\x60\x82\x82\x82\x50\x81\x40\x82\x9A\x82\x58\x82\x79");
  EXPECT_EQ(HanToZen("\t"), "\t");
}

TEST(TextHanToZen, EveryHalfWidthByteWithAndWithoutMarks) {
  for (int c = 0xA1; c <= 0xDD; ++c) {
    SCOPED_TRACE(c);
    const std::string kana = FullOf(c);
    EXPECT_EQ(HanToZen(Byte(c)), kana);
    std::string voiced;
    std::string semi;
    if (IsHalfPunctuation(c)) {
      // Not kana: the mark after them follows no kana and stays as it is.
      voiced = kana + "\xDE";
      semi = kana + "\xDF";
    } else if (IsKaToTo(c)) {
      voiced = kVoicedKaToDo.substr(2 * (c - 0xB6), 2);
      semi = kana + kSemiVoiced;
    } else if (IsHaToHo(c)) {
      voiced = kVoicedHaToHo.substr(2 * (c - 0xCA), 2);
      semi = kSemiVoicedHaToHo.substr(2 * (c - 0xCA), 2);
    } else {
      voiced = kana + kVoiced;
      semi = kana + kSemiVoiced;
    }
    EXPECT_EQ(HanToZen(Byte(c) + "\xDE"), voiced);
    EXPECT_EQ(HanToZen(Byte(c) + "\xDF"), semi);
    // The mark belongs to the kana before it only.
    EXPECT_EQ(HanToZen(Byte(c) + "\xDE\xDE"), voiced + "\xDE");
  }
  EXPECT_EQ(HanToZen("\xDE"), "\xDE");
  EXPECT_EQ(HanToZen("\xDF\xDF"), "\xDF\xDF");
}

TEST(TextHanToZen, EverySymbolPair) {
  for (const auto& pair : kPairs) EXPECT_EQ(HanToZen(pair.half), pair.full) << pair.half;
}

TEST(TextHanToZen, BytesWithoutFullWidthFormStayOnce) {
  for (int c : {0x00, 0x01, 0x09, 0x0A, 0x0D, 0x1F, 0x7F, 0x80, 0xA0, 0xFD, 0xFE, 0xFF})
    EXPECT_EQ(HanToZen(Byte(c)), Byte(c)) << c;
}

TEST(TextHanToZen, DoubleByteCharactersAreCopied) {
  const std::string text = kSo + kHyo + kPo + "\x81\x40";
  EXPECT_EQ(HanToZen(text), text);
  // The "\" after ソ is a character of its own.
  EXPECT_EQ(HanToZen(kSo + "\\"), kSo + "\x81\x8F");
}

TEST(TextHanToZen, BrokenCharactersAreCopiedOnce) {
  // "caf&eacute; au" as the tokenizer decodes it: the E9 stays, and the
  // full-width space after it is written as usual.
  EXPECT_EQ(HanToZen("caf\xE9 au"), "\x82\x83\x82\x81\x82\x86\xE9\x81\x40\x82\x81\x82\x95");
  EXPECT_EQ(HanToZen("a\x81"), "\x82\x81\x81");  // lead byte at the end
  EXPECT_EQ(HanToZen("\x81"
                     "1"),
            "\x81\x82\x50");
  EXPECT_EQ(HanToZen("\x95\x0A\xFC"), "\x95\x0A\xFC");
  // A lead byte before a half-width kana is no broken character: the two
  // are one double-byte character and stay as they are.
  EXPECT_EQ(HanToZen("\x95\xB1"), "\x95\xB1");
}

// ---------------------------------------------------------------- ZenToHan

TEST(TextZenToHan, VoicedAndSemiVoicedKana) {
  EXPECT_EQ(ZenToHan("\x83\x4B"), "\xB6\xDE");  // ガ -> ｶﾞ
  EXPECT_EQ(ZenToHan("\x82\xAA"), "\xB6\xDE");  // が -> ｶﾞ
  EXPECT_EQ(ZenToHan("\x83\x70"), "\xCA\xDF");  // パ -> ﾊﾟ
  EXPECT_EQ(ZenToHan("\x82\xCF"), "\xCA\xDF");  // ぱ -> ﾊﾟ
  EXPECT_EQ(ZenToHan("\x83\x94"), "\xB3\xDE");  // ヴ -> ｳﾞ
}

TEST(TextZenToHan, HiraganaWordEqualsKatakanaWord) {
  const std::string hiragana = "\x82\xBD\x82\xA2\x82\xC6\x82\xE9";  // たいとる
  const std::string katakana = "\x83\x5E\x83\x43\x83\x67\x83\x8B";  // タイトル
  EXPECT_EQ(ZenToHan(hiragana), "\xC0\xB2\xC4\xD9");                // ﾀｲﾄﾙ
  EXPECT_EQ(ZenToHan(katakana), ZenToHan(hiragana));
}

TEST(TextZenToHan, SmallAndOldKana) {
  EXPECT_EQ(ZenToHan("\x82\xEC\x83\x8E"), "\xDC\xDC");              // ゎヮ -> ﾜﾜ
  EXPECT_EQ(ZenToHan("\x82\xEE\x83\x90"), "\xB2\xB2");              // ゐヰ -> ｲｲ
  EXPECT_EQ(ZenToHan("\x82\xEF\x83\x91"), "\xB4\xB4");              // ゑヱ -> ｴｴ
  EXPECT_EQ(ZenToHan("\x83\x95\x83\x96"), "\xB6\xB9");              // ヵヶ -> ｶｹ
  EXPECT_EQ(ZenToHan("\x82\x9F\x82\xC1\x82\xE1"), "\xA7\xAF\xAC");  // ぁっゃ -> ｧｯｬ
}

TEST(TextZenToHan, WholeKanaRanges) {
  std::string katakana;
  for (int code = 0x8340; code <= 0x8396; ++code) {
    if (code == 0x837F) continue;
    katakana += Byte(code >> 8) + Byte(code & 0xFF);
  }
  std::string hiragana;
  for (int code = 0x829F; code <= 0x82F1; ++code) hiragana += Byte(code >> 8) + Byte(code & 0xFF);
  // ｧｱｨｲｩｳｪｴｫｵｶｶﾞｷｷﾞｸｸﾞｹｹﾞｺｺﾞｻｻﾞｼｼﾞｽｽﾞｾｾﾞｿｿﾞﾀﾀﾞﾁﾁﾞｯﾂﾂﾞﾃﾃﾞﾄﾄﾞﾅﾆﾇﾈﾉﾊﾊﾞﾊﾟﾋﾋﾞﾋﾟﾌﾌﾞﾌﾟ
  // ﾍﾍﾞﾍﾟﾎﾎﾞﾎﾟﾏﾐﾑﾒﾓｬﾔｭﾕｮﾖﾗﾘﾙﾚﾛﾜﾜｲｴｦﾝ, then ｳﾞｶｹ for the katakana only.
  const std::string common =
      "\xA7\xB1\xA8\xB2\xA9\xB3\xAA\xB4\xAB\xB5\xB6\xB6\xDE\xB7\xB7\xDE\xB8\xB8\xDE\xB9\xB9\xDE"
      "\xBA\xBA\xDE\xBB\xBB\xDE\xBC\xBC\xDE\xBD\xBD\xDE\xBE\xBE\xDE\xBF\xBF\xDE\xC0\xC0\xDE"
      "\xC1\xC1\xDE\xAF\xC2\xC2\xDE\xC3\xC3\xDE\xC4\xC4\xDE\xC5\xC6\xC7\xC8\xC9"
      "\xCA\xCA\xDE\xCA\xDF\xCB\xCB\xDE\xCB\xDF\xCC\xCC\xDE\xCC\xDF\xCD\xCD\xDE\xCD\xDF"
      "\xCE\xCE\xDE\xCE\xDF\xCF\xD0\xD1\xD2\xD3\xAC\xD4\xAD\xD5\xAE\xD6\xD7\xD8\xD9\xDA\xDB"
      "\xDC\xDC\xB2\xB4\xA6\xDD";
  EXPECT_EQ(ZenToHan(hiragana), common);
  EXPECT_EQ(ZenToHan(katakana), common + "\xB3\xDE\xB6\xB9");
}

TEST(TextZenToHan, EverySymbolPair) {
  for (const auto& pair : kPairs) EXPECT_EQ(ZenToHan(pair.full), pair.half) << pair.half;
}

TEST(TextZenToHan, KanjiDroppedLettersAndDigitsKept) {
  // 第１巻ＡＢｃ漢字 -> 1ABc
  EXPECT_EQ(ZenToHan("\x91\xE6\x82\x50\x8A\xAA\x82\x60\x82\x61\x82\x83\x8A\xBF\x8E\x9A"), "1ABc");
  // （ＡＢＣ） -> (ABC)
  EXPECT_EQ(ZenToHan("\x81\x69\x82\x60\x82\x61\x82\x62\x81\x6A"), "(ABC)");
  // ０-９, Ａ-Ｚ, ａ-ｚ, each at both ends of its range.
  EXPECT_EQ(ZenToHan("\x82\x4F\x82\x58\x82\x60\x82\x79\x82\x81\x82\x9A"), "09AZaz");
}

TEST(TextZenToHan, OtherDoubleByteCharactersAreRemoved) {
  // α Д 表 ゛ ゜ “ ″ 〓: none is in the pair list.
  EXPECT_EQ(
      ZenToHan("\x83\xBF\x84\x44" + kHyo + kVoiced + kSemiVoiced + "\x81\x67\x81\x8D\x81\xAC"), "");
  // The full-width characters next to the ranges of digits and letters.
  EXPECT_EQ(ZenToHan("\x82\x4E\x82\x59\x82\x5F\x82\x7A\x82\x80\x82\x9B"), "");
}

TEST(TextZenToHan, SingleBytesAreCopiedBrokenCharactersIncluded) {
  EXPECT_EQ(ZenToHan("ab 1\t\xB1\xDE\x80\xFF"), "ab 1\t\xB1\xDE\x80\xFF");
  EXPECT_EQ(ZenToHan("caf\xE9 au"), "caf\xE9 au");
  EXPECT_EQ(ZenToHan("P\x81"), "P\x81");    // lead byte at the end
  EXPECT_EQ(ZenToHan("\x81/1"), "\x81/1");  // lead byte before a byte that cannot follow it
  EXPECT_EQ(ZenToHan("\x82\x50\xE9 P"), "1\xE9 P");  // １, then a broken character
  EXPECT_EQ(ZenToHan(kSo + "\\|"), "\xBF\\|");       // ソ\| -> ｿ\|
  EXPECT_EQ(ZenToHan(kPo), "\xCE\xDF");              // ポ -> ﾎﾟ
}

// ---------------------------------------------------------- NormalizeWidth

TEST(TextNormalizeWidth, LettersDigitsAndSymbolsBecomeAscii) {
  // ＡＢＣ１２３ -> ABC123
  EXPECT_EQ(NormalizeWidth("\x82\x60\x82\x61\x82\x62\x82\x50\x82\x51\x82\x52"), "ABC123");
  // （タイトル） -> (タイトル)
  EXPECT_EQ(NormalizeWidth("\x81\x69\x83\x5E\x83\x43\x83\x67\x83\x8B\x81\x6A"),
            "(\x83\x5E\x83\x43\x83\x67\x83\x8B)");
  EXPECT_EQ(NormalizeWidth("\x81\x84"), ">");  // ＞
}

TEST(TextNormalizeWidth, EveryTableRow) {
  const Pair rows[] = {
      {" ", "\x81\x40"},  {",", "\x81\x43"},  {".", "\x81\x44"},  {":", "\x81\x46"},
      {";", "\x81\x47"},  {"?", "\x81\x48"},  {"!", "\x81\x49"},  {"^", "\x81\x4F"},
      {"/", "\x81\x5E"},  {"|", "\x81\x62"},  {"'", "\x81\x65"},  {"'", "\x81\x66"},
      {"'", "\x81\x8C"},  {"\"", "\x81\x67"}, {"\"", "\x81\x68"}, {"\"", "\x81\x8D"},
      {"(", "\x81\x69"},  {")", "\x81\x6A"},  {"[", "\x81\x6D"},  {"]", "\x81\x6E"},
      {"{", "\x81\x6F"},  {"}", "\x81\x70"},  {"+", "\x81\x7B"},  {"-", "\x81\x7C"},
      {"=", "\x81\x81"},  {"=", "\x81\xAC"},  {"<", "\x81\x83"},  {">", "\x81\x84"},
      {"\\", "\x81\x8F"}, {"$", "\x81\x90"},  {"%", "\x81\x93"},  {"#", "\x81\x94"},
      {"&", "\x81\x95"},  {"*", "\x81\x96"},  {"@", "\x81\x97"},
  };
  for (const auto& row : rows) EXPECT_EQ(NormalizeWidth(row.full), row.half) << row.half;
  EXPECT_EQ(NormalizeWidth("\x82\x4F\x82\x58\x82\x60\x82\x79\x82\x81\x82\x9A"), "09AZaz");
}

TEST(TextNormalizeWidth, PunctuationKanaAndKanjiStay) {
  // 、。・ー「」～＿ゴ表ソポ
  const std::string text =
      "\x81\x41\x81\x42\x81\x45\x81\x5B\x81\x75\x81\x76\x81\x60\x81\x51\x83\x53" + kHyo + kSo + kPo;
  EXPECT_EQ(NormalizeWidth(text), text);
}

TEST(TextNormalizeWidth, HalfWidthKanaWithMarks) {
  // ｶﾞｲﾄﾞﾌﾞｯｸ -> ガイドブック
  EXPECT_EQ(NormalizeWidth("\xB6\xDE\xB2\xC4\xDE\xCC\xDE\xAF\xB8"),
            "\x83\x4B\x83\x43\x83\x68\x83\x75\x83\x62\x83\x4E");
  EXPECT_EQ(NormalizeWidth("\xB1\xDE"), "\x83\x41");  // ｱﾞ -> ア, the mark is dropped
  EXPECT_EQ(NormalizeWidth("\xB3\xDE"), "\x83\x94");  // ｳﾞ -> ヴ
}

TEST(TextNormalizeWidth, EveryHalfWidthByteWithAndWithoutMarks) {
  for (int c = 0xA1; c <= 0xDD; ++c) {
    SCOPED_TRACE(c);
    const std::string kana = FullOf(c);
    std::string voiced = kana;
    std::string semi = kana;
    if (c == 0xB3) voiced = "\x83\x94";  // ヴ
    if (IsKaToTo(c)) voiced = kVoicedKaToDo.substr(2 * (c - 0xB6), 2);
    if (IsHaToHo(c)) {
      voiced = kVoicedHaToHo.substr(2 * (c - 0xCA), 2);
      semi = kSemiVoicedHaToHo.substr(2 * (c - 0xCA), 2);
    }
    EXPECT_EQ(NormalizeWidth(Byte(c)), kana);
    EXPECT_EQ(NormalizeWidth(Byte(c) + "\xDE"), voiced);
    EXPECT_EQ(NormalizeWidth(Byte(c) + "\xDF"), semi);
    EXPECT_EQ(NormalizeWidth(Byte(c) + "\xDF\xDE"), semi + "\xDE");
  }
  EXPECT_EQ(NormalizeWidth("\xDE\xDF"), "\xDE\xDF");  // marks after no kana
}

TEST(TextNormalizeWidth, SingleBytesStayBrokenCharactersIncluded) {
  EXPECT_EQ(NormalizeWidth("abc 1\t\x7F\x80\xA0\xFD"), "abc 1\t\x7F\x80\xA0\xFD");
  EXPECT_EQ(NormalizeWidth("caf\xE9 au"), "caf\xE9 au");
  EXPECT_EQ(NormalizeWidth("abc\x95"), "abc\x95");
  EXPECT_EQ(NormalizeWidth("\x95\x0A"), "\x95\x0A");
  // Ａ, a broken character, ｱ: each converted on its own.
  EXPECT_EQ(NormalizeWidth("\x82\x60\x95 \xB1"), "A\x95 \x83\x41");
}

TEST(TextWidth, TheTwoNarrowingConversionsDiffer) {
  EXPECT_EQ(ZenToHan("\x81\x65"), "`");         // ‘
  EXPECT_EQ(NormalizeWidth("\x81\x65"), "'");   // ‘
  EXPECT_EQ(ZenToHan("\x8A\xBF\x8E\x9A"), "");  // 漢字
  EXPECT_EQ(NormalizeWidth("\x8A\xBF\x8E\x9A"), "\x8A\xBF\x8E\x9A");
  EXPECT_EQ(ZenToHan("\x83\x4A"), "\xB6");  // カ -> ｶ
  EXPECT_EQ(NormalizeWidth("\x83\x4A"), "\x83\x4A");
}

TEST(TextWidth, TitleNormalisationRoundTrip) {
  // The catalogue's title chain on "ﾀｲﾄﾙ(1)": half-width parentheses become
  // full-width ones, which the later steps turn into spaces and trim away.
  std::string title = HanToZen("\xC0\xB2\xC4\xD9(1)");
  EXPECT_EQ(title, "\x83\x5E\x83\x43\x83\x67\x83\x8B\x81\x69\x82\x50\x81\x6A");
  title = TrimZen(ReplaceAll(title, "\x81\x69", "\x81\x40"));
  title = TrimZen(ReplaceAll(title, "\x81\x6A", "\x81\x40"));
  EXPECT_EQ(NormalizeWidth(title), "\x83\x5E\x83\x43\x83\x67\x83\x8B 1");
}

TEST(TextWidth, TitleChainKeepsABrokenCharacter) {
  // "caf&eacute; au" decoded: HanToZen keeps the E9, which then reads
  // together with the 81 of the full-width space after it; the 40 of that
  // space is left as "@". NormalizeWidth copies the pair as a character.
  std::string title = HanToZen("caf\xE9 au");
  title = TrimZen(ReplaceAll(title, "\x81\x69", "\x81\x40"));
  title = TrimZen(ReplaceAll(title, "\x81\x6A", "\x81\x40"));
  EXPECT_EQ(NormalizeWidth(title), "caf\xE9\x81@au");
  // The authors go through NormalizeWidth alone and keep the text whole.
  EXPECT_EQ(NormalizeWidth("caf\xE9 au"), "caf\xE9 au");
}

}  // namespace
}  // namespace kivo
