// The window's and log's Japanese texts, byte for byte in Shift-JIS. The
// expected bytes are written as hex here, apart from the header's octal.
#include <gtest/gtest.h>

#include <string>

#include "shell/entry.h"
#include "shell/shell_texts.h"

namespace kivo {
namespace {

std::string Hex(const char* hex) {
  std::string bytes;
  for (const char* p = hex; *p != '\0';) {
    if (*p == ' ') {
      ++p;
      continue;
    }
    bytes += static_cast<char>(std::stoi(std::string(p, 2), nullptr, 16));
    p += 2;
  }
  return bytes;
}

TEST(TextsTest, ShiftJisBytesArePinned) {
  // kivoプラグイン
  EXPECT_EQ(texts::kApplicationTitle, "kivo" + Hex("83 76 83 89 83 4f 83 43 83 93"));
  // kivo新刊データプラグイン
  EXPECT_EQ(texts::kWindowCaption,
            "kivo" + Hex("90 56 8a a7 83 66 81 5b 83 5e 83 76 83 89 83 4f 83 43 83 93"));
  // 日前まで取得する
  EXPECT_EQ(texts::kDaysLabel, Hex("93 fa 91 4f 82 dc 82 c5 8e e6 93 be 82 b7 82 e9"));
  // 停止 / 再開 / 一時停止 / スキップ
  EXPECT_EQ(texts::kStopCaption, Hex("92 e2 8e 7e"));
  EXPECT_EQ(texts::kPlayCaption, Hex("8d c4 8a 4a"));
  EXPECT_EQ(texts::kPauseCaption, Hex("88 ea 8e 9e 92 e2 8e 7e"));
  EXPECT_EQ(texts::kSkipCaption, Hex("83 58 83 4c 83 62 83 76"));
  // ホームページを開く
  EXPECT_EQ(texts::kOpenHomePageHint, Hex("83 7a 81 5b 83 80 83 79 81 5b 83 57 82 f0 8a 4a 82 ad"));
  // 停止ボタン押下
  EXPECT_EQ(texts::kStopPressed, Hex("92 e2 8e 7e 83 7b 83 5e 83 93 89 9f 89 ba"));
  // スキップボタン押下
  EXPECT_EQ(texts::kSkipPressed, Hex("83 58 83 4c 83 62 83 76 83 7b 83 5e 83 93 89 9f 89 ba"));
  // スキップ...
  EXPECT_EQ(texts::kSkipMark, Hex("83 58 83 4c 83 62 83 76") + "...");
  // データ削除日以前のデータはダウンロードしても削除されてしまいます.
  EXPECT_EQ(texts::kDaysCappedMessage,
            Hex("83 66 81 5b 83 5e 8d ed 8f 9c 93 fa 88 c8 91 4f 82 cc 83 66 81 5b 83 5e 82 cd"
                "83 5f 83 45 83 93 83 8d 81 5b 83 68 82 b5 82 c4 82 e0 8d ed 8f 9c 82 b3"
                "82 ea 82 c4 82 b5 82 dc 82 a2 82 dc 82 b7") +
                ".");
  // バージョン / 作者, each with a blank
  EXPECT_EQ(texts::kAboutVersionPrefix, Hex("83 6f 81 5b 83 57 83 87 83 93") + " ");
  EXPECT_EQ(texts::kAboutAuthorPrefix, Hex("8d ec 8e d2") + " ");
  EXPECT_STREQ(kInstanceGuardName, "QuillsPlugIn");
  // 予期しないエラーが発生しました。続くときはBBSへお知らせください
  EXPECT_EQ(
      texts::kUnexpectedError,
      Hex("97 5c 8a fa 82 b5 82 c8 82 a2 83 47 83 89 81 5b 82 aa 94 ad 90 b6 82 b5 82 dc 82 b5"
          "82 bd 81 42 91 b1 82 ad 82 c6 82 ab 82 cd") +
          "BBS" + Hex("82 d6 82 a8 92 6d 82 e7 82 b9 82 ad 82 be 82 b3 82 a2"));
  // メモリが足りません。ほかのプログラムを閉じてから、もう一度実行してください
  EXPECT_EQ(
      texts::kOutOfMemory,
      Hex("83 81 83 82 83 8a 82 aa 91 ab 82 e8 82 dc 82 b9 82 f1 81 42 82 d9 82 a9 82 cc 83 76"
          "83 8d 83 4f 83 89 83 80 82 f0 95 c2 82 b6 82 c4 82 a9 82 e7 81 41 82 e0 82 a4 88 ea"
          "93 78 8e c0 8d 73 82 b5 82 c4 82 ad 82 be 82 b3 82 a2"));
}

}  // namespace
}  // namespace kivo
