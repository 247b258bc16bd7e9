// The window's and the run log's own Japanese texts, as Shift-JIS bytes.
// Octal escapes keep a following letter or digit from joining the escape.
// tests/shell/texts_test.cpp pins every byte.
#pragma once

namespace kivo::texts {

// "kivoプラグイン": the application's title.
inline constexpr char kApplicationTitle[] = "kivo\203v\203\211\203O\203C\203\223";
// "kivo新刊データプラグイン": the plugin window's caption.
inline constexpr char kWindowCaption[] =
    "kivo\220V\212\247\203f\201[\203^\203v\203\211\203O\203C\203\223";
// "日前まで取得する": the label after the days field.
inline constexpr char kDaysLabel[] =
    "\223\372\221O\202\334\202\305\216\346\223\276\202\267\202\351";
// "停止", "再開", "一時停止", "スキップ": the run buttons.
inline constexpr char kStopCaption[] = "\222\342\216~";
inline constexpr char kPlayCaption[] = "\215\304\212J";
inline constexpr char kPauseCaption[] = "\210\352\216\236\222\342\216~";
inline constexpr char kSkipCaption[] = "\203X\203L\203b\203v";
// "ホームページを開く": hint of the shop button.
inline constexpr char kOpenHomePageHint[] =
    "\203z\201[\203\200\203y\201[\203W\202\360\212J\202\255";

// "停止ボタン押下": log line of the Stop button.
inline constexpr char kStopPressed[] = "\222\342\216~\203{\203^\203\223\211\237\211\272";
// "スキップボタン押下": log line of the Skip button.
inline constexpr char kSkipPressed[] = "\203X\203L\203b\203v\203{\203^\203\223\211\237\211\272";
// "スキップ...": mark appended to the title label by Skip.
inline constexpr char kSkipMark[] = "\203X\203L\203b\203v...";
// "データ削除日以前のデータはダウンロードしても削除されてしまいます.":
// shown when the days value is cut to the host's deletion days.
inline constexpr char kDaysCappedMessage[] =
    "\203f\201[\203^\215\355\217\234\223\372\210\310\221O\202\314\203f\201[\203^\202\315"
    "\203_\203E\203\223\203\215\201[\203h\202\265\202\304\202\340\215\355\217\234\202\263"
    "\202\352\202\304\202\265\202\334\202\242\202\334\202\267.";

// "予期しないエラーが発生しました。続くときはBBSへお知らせください": an
// error that carries no message of its own reached the window.
inline constexpr char kUnexpectedError[] =
    "\227\\\212\372\202\265\202\310\202\242\203G\203\211\201[\202\252\224\255\220\266\202\265"
    "\202\334\202\265\202\275\201B\221\261\202\255\202\306\202\253\202\315BBS\202\326\202\250"
    "\222m\202\347\202\271\202\255\202\276\202\263\202\242";
// "メモリが足りません。ほかのプログラムを閉じてから、もう一度実行してくだ
// さい": memory ran out (the library's own message is English).
inline constexpr char kOutOfMemory[] =
    "\203\201\203\202\203\212\202\252\221\253\202\350\202\334\202\271\202\361\201B\202\331\202"
    "\251\202\314\203v\203\215\203O\203\211\203\200\202\360\225\302\202\266\202\304\202\251\202"
    "\347\201A\202\340\202\244\210\352\223x\216\300\215s\202\265\202\304\202\255\202\276\202\263"
    "\202\242";

// "バージョン " and "作者 ": the version and author lines of the version
// information.
inline constexpr char kAboutVersionPrefix[] = "\203o\201[\203W\203\207\203\223 ";
inline constexpr char kAboutAuthorPrefix[] = "\215\354\216\322 ";

}  // namespace kivo::texts
