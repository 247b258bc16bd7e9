// Pins every byte of the character tables. The expected bytes were taken from
// the Windows code page 932 encoding of the characters named in the comments,
// independently of the tables themselves.
#include <gtest/gtest.h>

#include <string>

#include "text/sjis_tables.h"

namespace kivo::sjis {
namespace {

std::string Bytes(std::uint16_t code) {
  return {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
}

TEST(TextTables, SymbolPairListHalfColumn) {
  std::string half;
  for (const auto& pair : kSymbolPairs) half.push_back(static_cast<char>(pair.half));
  EXPECT_EQ(half,
            "!\"#$%&'()=`|-^\\~{@[+*};:]<>?_"
            "\xA4\xA1\xB0\xA5"  // ､｡ｰ･
            ",./ "
            "\xA2\xA3");  // ｢｣
}

TEST(TextTables, SymbolPairListFullColumn) {
  std::string full;
  for (const auto& pair : kSymbolPairs) full += Bytes(pair.full);
  // ！”＃＄％＆’（）＝‘｜－＾￥～｛＠［＋＊｝；：］＜＞？＿、。ー・，．／　「」
  EXPECT_EQ(full,
            "\x81\x49\x81\x68\x81\x94\x81\x90\x81\x93\x81\x95\x81\x66\x81\x69\x81\x6A\x81\x81"
            "\x81\x65\x81\x62\x81\x7C\x81\x4F\x81\x8F\x81\x60\x81\x6F\x81\x97\x81\x6D\x81\x7B"
            "\x81\x96\x81\x70\x81\x47\x81\x46\x81\x6E\x81\x83\x81\x84\x81\x48\x81\x51\x81\x41"
            "\x81\x42\x81\x5B\x81\x45\x81\x43\x81\x44\x81\x5E\x81\x40\x81\x75\x81\x76");
}

TEST(TextTables, HalfKanaCounterparts) {
  ASSERT_EQ(kFirstHalfKana, 0xA1);
  ASSERT_EQ(kLastHalfKana, 0xDD);
  std::string full;
  for (std::uint16_t code : kHalfKanaFull) full += Bytes(code);
  // 。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノ
  // ハヒフヘホマミムメモヤユヨラリルレロワン
  EXPECT_EQ(full,
            "\x81\x42\x81\x75\x81\x76\x81\x41\x81\x45\x83\x92\x83\x40\x83\x42\x83\x44\x83\x46"
            "\x83\x48\x83\x83\x83\x85\x83\x87\x83\x62\x81\x5B\x83\x41\x83\x43\x83\x45\x83\x47"
            "\x83\x49\x83\x4A\x83\x4C\x83\x4E\x83\x50\x83\x52\x83\x54\x83\x56\x83\x58\x83\x5A"
            "\x83\x5C\x83\x5E\x83\x60\x83\x63\x83\x65\x83\x67\x83\x69\x83\x6A\x83\x6B\x83\x6C"
            "\x83\x6D\x83\x6E\x83\x71\x83\x74\x83\x77\x83\x7A\x83\x7D\x83\x7E\x83\x80\x83\x81"
            "\x83\x82\x83\x84\x83\x86\x83\x88\x83\x89\x83\x8A\x83\x8B\x83\x8C\x83\x8D\x83\x8F"
            "\x83\x93");
}

TEST(TextTables, KatakanaToHalfWidth) {
  ASSERT_EQ(kFirstFullKatakana, 0x8340);  // ァ
  ASSERT_EQ(kLastFullKatakana, 0x8396);   // ヶ
  ASSERT_EQ(kFullKatakanaGap, 0x837F);
  ASSERT_EQ(kFirstHiragana, 0x829F);  // ぁ
  ASSERT_EQ(kLastHiragana, 0x82F1);   // ん
  std::string rows;
  for (const auto& row : kKatakanaHalf) {
    if (!rows.empty()) rows += '/';
    rows.push_back(static_cast<char>(row.kana));
    if (row.mark != 0) rows.push_back(static_cast<char>(row.mark));
  }
  // ｧ/ｱ/ｨ/ｲ/ｩ/ｳ/ｪ/ｴ/ｫ/ｵ/ｶ/ｶﾞ/ｷ/ｷﾞ/ｸ/ｸﾞ/ｹ/ｹﾞ/ｺ/ｺﾞ/ｻ/ｻﾞ/ｼ/ｼﾞ/ｽ/ｽﾞ/ｾ/ｾﾞ/ｿ/ｿﾞ/ﾀ/ﾀﾞ/ﾁ/ﾁﾞ/
  // ｯ/ﾂ/ﾂﾞ/ﾃ/ﾃﾞ/ﾄ/ﾄﾞ/ﾅ/ﾆ/ﾇ/ﾈ/ﾉ/ﾊ/ﾊﾞ/ﾊﾟ/ﾋ/ﾋﾞ/ﾋﾟ/ﾌ/ﾌﾞ/ﾌﾟ/ﾍ/ﾍﾞ/ﾍﾟ/ﾎ/ﾎﾞ/ﾎﾟ/ﾏ/ﾐ/ﾑ/ﾒ/ﾓ/
  // ｬ/ﾔ/ｭ/ﾕ/ｮ/ﾖ/ﾗ/ﾘ/ﾙ/ﾚ/ﾛ/ﾜ/ﾜ/ｲ/ｴ/ｦ/ﾝ/ｳﾞ/ｶ/ｹ
  EXPECT_EQ(rows,
            "\xA7/\xB1/\xA8/\xB2/\xA9/\xB3/\xAA/\xB4/\xAB/\xB5/"
            "\xB6/\xB6\xDE/\xB7/\xB7\xDE/\xB8/\xB8\xDE/\xB9/\xB9\xDE/\xBA/\xBA\xDE/"
            "\xBB/\xBB\xDE/\xBC/\xBC\xDE/\xBD/\xBD\xDE/\xBE/\xBE\xDE/\xBF/\xBF\xDE/"
            "\xC0/\xC0\xDE/\xC1/\xC1\xDE/\xAF/\xC2/\xC2\xDE/\xC3/\xC3\xDE/\xC4/\xC4\xDE/"
            "\xC5/\xC6/\xC7/\xC8/\xC9/"
            "\xCA/\xCA\xDE/\xCA\xDF/\xCB/\xCB\xDE/\xCB\xDF/\xCC/\xCC\xDE/\xCC\xDF/"
            "\xCD/\xCD\xDE/\xCD\xDF/\xCE/\xCE\xDE/\xCE\xDF/"
            "\xCF/\xD0/\xD1/\xD2/\xD3/\xAC/\xD4/\xAD/\xD5/\xAE/\xD6/"
            "\xD7/\xD8/\xD9/\xDA/\xDB/\xDC/\xDC/\xB2/\xB4/\xA6/\xDD/\xB3\xDE/\xB6/\xB9");
}

TEST(TextTables, NormalizeWidthSymbols) {
  std::string full;
  std::string ascii;
  for (const auto& pair : kNarrowSymbols) {
    full += Bytes(pair.full);
    ascii.push_back(static_cast<char>(pair.ascii));
  }
  // 　，．：；？！＾／｜‘’′“”″（）［］｛｝＋－＝〓＜＞￥＄％＃＆＊＠
  EXPECT_EQ(full,
            "\x81\x40\x81\x43\x81\x44\x81\x46\x81\x47\x81\x48\x81\x49\x81\x4F\x81\x5E\x81\x62"
            "\x81\x65\x81\x66\x81\x8C\x81\x67\x81\x68\x81\x8D\x81\x69\x81\x6A\x81\x6D\x81\x6E"
            "\x81\x6F\x81\x70\x81\x7B\x81\x7C\x81\x81\x81\xAC\x81\x83\x81\x84\x81\x8F\x81\x90"
            "\x81\x93\x81\x94\x81\x95\x81\x96\x81\x97");
  EXPECT_EQ(ascii, " ,.:;?!^/|'''\"\"\"()[]{}+-==<>\\$%#&*@");
}

TEST(TextTables, FileNameSubstitutes) {
  std::string half;
  std::string full;
  for (const auto& pair : kFileNameSubstitutes) {
    half.push_back(static_cast<char>(pair.half));
    full += Bytes(pair.full);
  }
  EXPECT_EQ(half, "\\/:,;*?\"<>|");
  // ￥／：，；＊？”＜＞｜
  EXPECT_EQ(full,
            "\x81\x8F\x81\x5E\x81\x46\x81\x43\x81\x47\x81\x96\x81\x48\x81\x68\x81\x83\x81\x84"
            "\x81\x62");
}

TEST(TextTables, MarksDigitsLettersAndVoicedKanaBounds) {
  EXPECT_EQ(Bytes(kFullVoicedMark), "\x81\x4A");      // ゛
  EXPECT_EQ(Bytes(kFullSemiVoicedMark), "\x81\x4B");  // ゜
  EXPECT_EQ(kHalfVoicedMark, 0xDE);                   // ﾞ
  EXPECT_EQ(kHalfSemiVoicedMark, 0xDF);               // ﾟ
  EXPECT_EQ(Bytes(kFullDigitZero), "\x82\x4F");       // ０
  EXPECT_EQ(Bytes(kFullUpperA), "\x82\x60");          // Ａ
  EXPECT_EQ(Bytes(kFullLowerA), "\x82\x81");          // ａ
  EXPECT_EQ(Bytes(kFullVu), "\x83\x94");              // ヴ
  EXPECT_EQ(kHalfU, 0xB3);                            // ｳ
  EXPECT_EQ(kHalfKa, 0xB6);                           // ｶ
  EXPECT_EQ(kHalfTo, 0xC4);                           // ﾄ
  EXPECT_EQ(kHalfHa, 0xCA);                           // ﾊ
  EXPECT_EQ(kHalfHo, 0xCE);                           // ﾎ
}

}  // namespace
}  // namespace kivo::sjis
