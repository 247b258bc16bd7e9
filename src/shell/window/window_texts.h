// The Windows front-end's own Japanese texts, as Shift-JIS bytes (octal
// escapes). The plugin window's captions and messages live in
// shell/shell_texts.h with the window logic.
// tests/shell/window/window_texts_test.cpp pins every byte.
// Portable: no system headers.
#pragma once

namespace kivo::window_texts {

// "ＭＳ Ｐゴシック": the font of both windows, 12 pixels, Shift-JIS set.
inline constexpr char kFontFace[] = "\202l\202r \202o\203S\203V\203b\203N";
inline constexpr int kFontHeight = 12;

// "バージョン情報": the About dialog's caption.
inline constexpr char kAboutCaption[] = "\203o\201[\203W\203\207\203\223\217\356\225\361";
// "最新バージョンはこのホームページからダウンロードできます。"
inline constexpr char kDownloadNote[] =
    "\215\305\220V\203o\201[\203W\203\207\203\223\202\315\202\261\202\314\203z\201[\203\200"
    "\203y\201[\203W\202\251\202\347\203_\203E\203\223\203\215\201[\203h\202\305\202\253\202"
    "\334\202\267\201B";
// "要望、感想、質問、バグなどは、こちらのBBSまでご連絡ください"
inline constexpr char kContactNote[] =
    "\227v\226]\201A\212\264\221z\201A\216\277\226\342\201A\203o\203O\202\310\202\307\202\315"
    "\201A\202\261\202\277\202\347\202\314BBS\202\334\202\305\202\262\230A\227\215\202\255\202"
    "\276\202\263\202\242";
// "OK": the About dialog's button.
inline constexpr char kOk[] = "OK";

// The maker's home page and bulletin board, the About dialog's two links.
inline constexpr char kMakerHomePage[] = "https://www.kivo.co.jp/";
inline constexpr char kMakerBoard[] = "https://www.kivo.co.jp/";

}  // namespace kivo::window_texts
