// The fixed character tables of the Shift-JIS text helpers, in one place.
// Full-width characters are given by their two-byte Shift-JIS code (lead byte
// in the high half), with the character itself in the comment beside them.
// tests/text/tables_test.cpp pins every byte of these tables.
#pragma once

#include <array>
#include <cstdint>

namespace kivo::sjis {

// The full-width voiced and semi-voiced marks ゛ ゜.
inline constexpr std::uint16_t kFullVoicedMark = 0x814A;      // ゛
inline constexpr std::uint16_t kFullSemiVoicedMark = 0x814B;  // ゜
// The half-width voiced and semi-voiced marks ﾞ ﾟ.
inline constexpr unsigned char kHalfVoicedMark = 0xDE;      // ﾞ
inline constexpr unsigned char kHalfSemiVoicedMark = 0xDF;  // ﾟ

// Full-width digits and Latin letters: ０-９, Ａ-Ｚ, ａ-ｚ.
inline constexpr std::uint16_t kFullDigitZero = 0x824F;  // ０
inline constexpr std::uint16_t kFullUpperA = 0x8260;     // Ａ
inline constexpr std::uint16_t kFullLowerA = 0x8281;     // ａ

// Half-width characters paired with full-width ones by position: HanToZen
// looks a byte up in the left column, ZenToHan a character in the right one.
// Every byte and every code occurs once, so the direction is unambiguous.
struct SymbolPair {
  unsigned char half;
  std::uint16_t full;
};
inline constexpr std::array<SymbolPair, 39> kSymbolPairs = {{
    {0x21, 0x8149},  // ! ！
    {0x22, 0x8168},  // " ”
    {0x23, 0x8194},  // # ＃
    {0x24, 0x8190},  // $ ＄
    {0x25, 0x8193},  // % ％
    {0x26, 0x8195},  // & ＆
    {0x27, 0x8166},  // ' ’
    {0x28, 0x8169},  // ( （
    {0x29, 0x816A},  // ) ）
    {0x3D, 0x8181},  // = ＝
    {0x60, 0x8165},  // ` ‘
    {0x7C, 0x8162},  // | ｜
    {0x2D, 0x817C},  // - －
    {0x5E, 0x814F},  // ^ ＾
    {0x5C, 0x818F},  // backslash ￥
    {0x7E, 0x8160},  // ~ ～
    {0x7B, 0x816F},  // { ｛
    {0x40, 0x8197},  // @ ＠
    {0x5B, 0x816D},  // [ ［
    {0x2B, 0x817B},  // + ＋
    {0x2A, 0x8196},  // * ＊
    {0x7D, 0x8170},  // } ｝
    {0x3B, 0x8147},  // ; ；
    {0x3A, 0x8146},  // : ：
    {0x5D, 0x816E},  // ] ］
    {0x3C, 0x8183},  // < ＜
    {0x3E, 0x8184},  // > ＞
    {0x3F, 0x8148},  // ? ？
    {0x5F, 0x8151},  // _ ＿
    {0xA4, 0x8141},  // ､ 、
    {0xA1, 0x8142},  // ｡ 。
    {0xB0, 0x815B},  // ｰ ー
    {0xA5, 0x8145},  // ･ ・
    {0x2C, 0x8143},  // , ，
    {0x2E, 0x8144},  // . ．
    {0x2F, 0x815E},  // / ／
    {0x20, 0x8140},  // space, full-width space
    {0xA2, 0x8175},  // ｢ 「
    {0xA3, 0x8176},  // ｣ 」
}};

// The full-width counterpart of each half-width byte 0xA1-0xDD (index: byte
// minus 0xA1), as the compatibility decomposition of the half-width forms
// gives it.
inline constexpr unsigned char kFirstHalfKana = 0xA1;
inline constexpr unsigned char kLastHalfKana = 0xDD;
inline constexpr std::array<std::uint16_t, 61> kHalfKanaFull = {{
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145,  // ｡｢｣､･ → 。「」、・
    0x8392,                                  // ｦ → ヲ
    0x8340, 0x8342, 0x8344, 0x8346, 0x8348,  // ｧｨｩｪｫ → ァィゥェォ
    0x8383, 0x8385, 0x8387, 0x8362,          // ｬｭｮｯ → ャュョッ
    0x815B,                                  // ｰ → ー
    0x8341, 0x8343, 0x8345, 0x8347, 0x8349,  // ｱｲｳｴｵ → アイウエオ
    0x834A, 0x834C, 0x834E, 0x8350, 0x8352,  // ｶｷｸｹｺ → カキクケコ
    0x8354, 0x8356, 0x8358, 0x835A, 0x835C,  // ｻｼｽｾｿ → サシスセソ
    0x835E, 0x8360, 0x8363, 0x8365, 0x8367,  // ﾀﾁﾂﾃﾄ → タチツテト
    0x8369, 0x836A, 0x836B, 0x836C, 0x836D,  // ﾅﾆﾇﾈﾉ → ナニヌネノ
    0x836E, 0x8371, 0x8374, 0x8377, 0x837A,  // ﾊﾋﾌﾍﾎ → ハヒフヘホ
    0x837D, 0x837E, 0x8380, 0x8381, 0x8382,  // ﾏﾐﾑﾒﾓ → マミムメモ
    0x8384, 0x8386, 0x8388,                  // ﾔﾕﾖ → ヤユヨ
    0x8389, 0x838A, 0x838B, 0x838C, 0x838D,  // ﾗﾘﾙﾚﾛ → ラリルレロ
    0x838F, 0x8393,                          // ﾜﾝ → ワン
}};
// Half-width kana whose full-width form has a voiced (ｶ-ﾄ, ﾊ-ﾎ) or also a
// semi-voiced (ﾊ-ﾎ) neighbour one or two codes above it; ｳ's voiced form ヴ
// lies elsewhere.
inline constexpr unsigned char kHalfKa = 0xB6, kHalfTo = 0xC4;  // ｶ ﾄ
inline constexpr unsigned char kHalfHa = 0xCA, kHalfHo = 0xCE;  // ﾊ ﾎ
inline constexpr unsigned char kHalfU = 0xB3;                   // ｳ
inline constexpr std::uint16_t kFullVu = 0x8394;                // ヴ

// Full-width katakana ァ (0x8340) to ヶ (0x8396) in syllabary order (0x837F
// is not a character and is skipped), each with its half-width form: a kana
// byte and, for voiced and semi-voiced kana, the half-width mark. Hiragana
// ぁ (0x829F) to ん (0x82F1) use the first 83 rows in the same order.
struct HalfKana {
  unsigned char kana;
  unsigned char mark;  // 0 when none
};
inline constexpr std::uint16_t kFirstFullKatakana = 0x8340;  // ァ
inline constexpr std::uint16_t kLastFullKatakana = 0x8396;   // ヶ
inline constexpr std::uint16_t kFullKatakanaGap = 0x837F;
inline constexpr std::uint16_t kFirstHiragana = 0x829F;  // ぁ
inline constexpr std::uint16_t kLastHiragana = 0x82F1;   // ん
inline constexpr std::array<HalfKana, 86> kKatakanaHalf = {{
    {0xA7, 0}, {0xB1, 0},    {0xA8, 0},    {0xB2, 0},     // ァアィイ
    {0xA9, 0}, {0xB3, 0},    {0xAA, 0},    {0xB4, 0},     // ゥウェエ
    {0xAB, 0}, {0xB5, 0},                                 // ォオ
    {0xB6, 0}, {0xB6, 0xDE}, {0xB7, 0},    {0xB7, 0xDE},  // カガキギ
    {0xB8, 0}, {0xB8, 0xDE}, {0xB9, 0},    {0xB9, 0xDE},  // クグケゲ
    {0xBA, 0}, {0xBA, 0xDE},                              // コゴ
    {0xBB, 0}, {0xBB, 0xDE}, {0xBC, 0},    {0xBC, 0xDE},  // サザシジ
    {0xBD, 0}, {0xBD, 0xDE}, {0xBE, 0},    {0xBE, 0xDE},  // スズセゼ
    {0xBF, 0}, {0xBF, 0xDE},                              // ソゾ
    {0xC0, 0}, {0xC0, 0xDE}, {0xC1, 0},    {0xC1, 0xDE},  // タダチヂ
    {0xAF, 0}, {0xC2, 0},    {0xC2, 0xDE},                // ッツヅ
    {0xC3, 0}, {0xC3, 0xDE}, {0xC4, 0},    {0xC4, 0xDE},  // テデトド
    {0xC5, 0}, {0xC6, 0},    {0xC7, 0},    {0xC8, 0},     // ナニヌネ
    {0xC9, 0},                                            // ノ
    {0xCA, 0}, {0xCA, 0xDE}, {0xCA, 0xDF},                // ハバパ
    {0xCB, 0}, {0xCB, 0xDE}, {0xCB, 0xDF},                // ヒビピ
    {0xCC, 0}, {0xCC, 0xDE}, {0xCC, 0xDF},                // フブプ
    {0xCD, 0}, {0xCD, 0xDE}, {0xCD, 0xDF},                // ヘベペ
    {0xCE, 0}, {0xCE, 0xDE}, {0xCE, 0xDF},                // ホボポ
    {0xCF, 0}, {0xD0, 0},    {0xD1, 0},    {0xD2, 0},     // マミムメ
    {0xD3, 0},                                            // モ
    {0xAC, 0}, {0xD4, 0},    {0xAD, 0},    {0xD5, 0},     // ャヤュユ
    {0xAE, 0}, {0xD6, 0},                                 // ョヨ
    {0xD7, 0}, {0xD8, 0},    {0xD9, 0},    {0xDA, 0},     // ラリルレ
    {0xDB, 0},                                            // ロ
    {0xDC, 0}, {0xDC, 0},    {0xB2, 0},    {0xB4, 0},     // ヮワヰヱ
    {0xA6, 0}, {0xDD, 0},    {0xB3, 0xDE},                // ヲンヴ
    {0xB6, 0}, {0xB9, 0},                                 // ヵヶ
}};

// Full-width punctuation that NormalizeWidth turns into ASCII (besides the
// full-width digits and letters). Everything else full-width stays, such as
// 、。・ー「」～＿.
struct NarrowPair {
  std::uint16_t full;
  unsigned char ascii;
};
inline constexpr std::array<NarrowPair, 35> kNarrowSymbols = {{
    {0x8140, ' '},   // full-width space
    {0x8143, ','},   // ，
    {0x8144, '.'},   // ．
    {0x8146, ':'},   // ：
    {0x8147, ';'},   // ；
    {0x8148, '?'},   // ？
    {0x8149, '!'},   // ！
    {0x814F, '^'},   // ＾
    {0x815E, '/'},   // ／
    {0x8162, '|'},   // ｜
    {0x8165, '\''},  // ‘
    {0x8166, '\''},  // ’
    {0x818C, '\''},  // ′
    {0x8167, '"'},   // “
    {0x8168, '"'},   // ”
    {0x818D, '"'},   // ″
    {0x8169, '('},   // （
    {0x816A, ')'},   // ）
    {0x816D, '['},   // ［
    {0x816E, ']'},   // ］
    {0x816F, '{'},   // ｛
    {0x8170, '}'},   // ｝
    {0x817B, '+'},   // ＋
    {0x817C, '-'},   // －
    {0x8181, '='},   // ＝
    {0x81AC, '='},   // 〓
    {0x8183, '<'},   // ＜
    {0x8184, '>'},   // ＞
    {0x818F, '\\'},  // ￥
    {0x8190, '$'},   // ＄
    {0x8193, '%'},   // ％
    {0x8194, '#'},   // ＃
    {0x8195, '&'},   // ＆
    {0x8196, '*'},   // ＊
    {0x8197, '@'},   // ＠
}};

// The characters file names may not hold, with their full-width stand-ins,
// in the order SafeFileName applies them.
inline constexpr std::array<SymbolPair, 11> kFileNameSubstitutes = {{
    {0x5C, 0x818F},  // backslash ￥
    {0x2F, 0x815E},  // / ／
    {0x3A, 0x8146},  // : ：
    {0x2C, 0x8143},  // , ，
    {0x3B, 0x8147},  // ; ；
    {0x2A, 0x8196},  // * ＊
    {0x3F, 0x8148},  // ? ？
    {0x22, 0x8168},  // " ”
    {0x3C, 0x8183},  // < ＜
    {0x3E, 0x8184},  // > ＞
    {0x7C, 0x8162},  // | ｜
}};

}  // namespace kivo::sjis
